#include "commentstore.h"

#include "dateforms.h"
#include "schema.h"

#include <sqlite3.h>

namespace MemberCommentServer {

namespace {

constexpr int kBusyTimeoutMs = 10000;

} // namespace

CommentStore::CommentStore(const std::string &path) : m_db(path.empty() ? ":memory:" : path)
{
    sqlite3_busy_timeout(m_db.handle(), kBusyTimeoutMs);
    m_db.execute("PRAGMA journal_mode = WAL");
    m_db.execute("PRAGMA synchronous = FULL");
    m_db.execute("PRAGMA foreign_keys = ON");
    createSchema(m_db);
}

void CommentStore::seedDemoData()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    MemberCommentServer::seedDemoData(m_db);
}

LoadData CommentStore::load(std::int64_t personId, std::int64_t memberId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_db.execute("BEGIN");
    try {
        LoadData data = readLoadData(m_db, personId, memberId);
        m_db.execute("COMMIT");
        return data;
    } catch (...) {
        m_db.rollback();
        throw;
    }
}

SaveOutcome CommentStore::save(const CommentBatch &batch)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return applyBatch(m_db, batch, storedNow());
}

} // namespace MemberCommentServer
