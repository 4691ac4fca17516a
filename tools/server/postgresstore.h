#pragma once

#include "commentstore.h"
#include "postgres.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace MemberCommentServer {

// The comments in a PostgreSQL database, shared by any number of server processes on any number
// of machines. Requests run in parallel on a few pooled connections; a connection that broke is
// dropped and a new one made for the next request, so the server serves again as soon as the
// database is back. A save locks its member's row (SELECT ... FOR UPDATE) before it reads the
// highest sequence, so saves of one member take turns and saves of different members do not wait
// for each other; it is committed with synchronous commit, so "Saved" means on disk.
class PostgresStore : public CommentStore
{
public:
    // Connects once, makes the schema and checks that the database holds UTF-8.
    explicit PostgresStore(const std::string &uri);
    ~PostgresStore() override;

    void seedDemoData() override;
    LoadData load(std::int64_t personId, std::int64_t memberId) override;
    SaveOutcome save(const CommentBatch &batch) override;

private:
    class Lease;

    std::unique_ptr<PgConnection> connect() const;
    // A pooled connection with `begin` run on it: an idle one, or a new one while fewer than the
    // most are open, waiting for one to come back otherwise.
    Lease begin(const char *begin);
    void giveBack(std::unique_ptr<PgConnection> connection);
    // Whether the transaction `xid`, whose COMMIT got no answer, was committed after all.
    bool committed(const std::string &xid) const;

    const std::string m_uri;
    std::mutex m_mutex;
    std::condition_variable m_returned;
    std::vector<std::unique_ptr<PgConnection>> m_idle;
    int m_open = 0;
};

} // namespace MemberCommentServer
