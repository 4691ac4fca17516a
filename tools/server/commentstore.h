#pragma once

#include "batchexecutor.h"
#include "loadquery.h"
#include "sqlite.h"

#include <mutex>
#include <string>

namespace MemberCommentServer {

// The comment database of one server: one connection, used by one request at a time. Other
// processes may share the file; WAL and the busy timeout let their saves wait for each other.
class CommentStore
{
public:
    // Opens (creating when needed) the database file, or an in-memory one for an empty path, and
    // makes the schema; throws SqliteError.
    explicit CommentStore(const std::string &path);

    void seedDemoData();
    // The load reply's data, read in one transaction.
    LoadData load(std::int64_t personId, std::int64_t memberId);
    // Applies a parsed batch, all or nothing, with the server's time now for GETDATE().
    SaveOutcome save(const CommentBatch &batch);

private:
    std::mutex m_mutex;
    Connection m_db;
};

} // namespace MemberCommentServer
