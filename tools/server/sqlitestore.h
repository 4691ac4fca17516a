#pragma once

#include "commentstore.h"
#include "sqlite.h"

#include <mutex>
#include <string>

namespace MemberCommentServer {

// The comments in one SQLite file, through one connection used by one request at a time. Other
// processes on the same machine may share the file: WAL and the busy timeout let their saves wait
// for each other, and a save holds the whole file from its first statement to its commit.
class SqliteStore : public CommentStore
{
public:
    // Opens (creating when needed) the file, or an in-memory database for an empty path, and makes
    // the schema.
    explicit SqliteStore(const std::string &path);

    void seedDemoData() override;
    LoadData load(std::int64_t personId, std::int64_t memberId) override;
    SaveOutcome save(const CommentBatch &batch) override;

private:
    std::mutex m_mutex;
    Connection m_db;
};

} // namespace MemberCommentServer
