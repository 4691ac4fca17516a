#include "postgresstore.h"

#include "demodata.h"
#include "postgresschema.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

namespace MemberCommentServer {

namespace {

using Kind = StoreError::Kind;

// Requests beyond this many at once wait for a connection, up to kConnectionWait.
constexpr int kMaxConnections = 8;
constexpr auto kConnectionWait = std::chrono::seconds(20);
// How long a save whose COMMIT got no answer keeps asking what became of it.
constexpr auto kFateWait = std::chrono::seconds(10);

// What this program relies on in every session, whatever the URI or the database's defaults say.
// Synchronous commit is only ever raised: a stronger setting (waiting for standbys) is kept.
constexpr const char *kSessionSettings = R"sql(
SET client_encoding = 'UTF8';
SET DateStyle = 'ISO, YMD';
SET lock_timeout = '10s';
SET statement_timeout = '60s';
SELECT set_config('synchronous_commit', 'on', false) WHERE current_setting('synchronous_commit') = 'off';
)sql";

StoreError storeError(const PgError &e)
{
    const std::string &state = e.sqlState();
    // The connection is gone, the database is shutting down or starting, or refuses connections.
    if (e.connectionLost() || state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0)
        return StoreError(Kind::Unreachable, e.what());
    // A lock wait or statement ran out of time, or a conflict with another transaction.
    if (state == "55P03" || state == "57014" || state == "40001" || state == "40P01")
        return StoreError(Kind::Busy, e.what());
    return StoreError(Kind::Failed, e.what());
}

// One row of a result, as storedComment reads it.
struct PgRow {
    const PgResult &result;
    int row;
    std::string text(int column) const { return result.text(row, column); }
    std::int64_t integer(int column) const { return result.integer(row, column); }
};

std::vector<Choice> readChoices(PgConnection &db, const char *sql)
{
    const PgResult rows = db.query(sql);
    std::vector<Choice> choices;
    choices.reserve(std::size_t(rows.rows()));
    for (int r = 0; r < rows.rows(); ++r)
        choices.push_back({rows.integer(r, 0), rows.text(r, 1)});
    return choices;
}

// Dates come from the database's clock, the transaction's start: one time for the batch, and one
// clock for every server process.
class PostgresBatch : public BatchTarget
{
public:
    explicit PostgresBatch(PgConnection &db)
        : m_db(db)
    {
    }

    bool lockMember(std::int32_t memberId) override
    {
        return m_db.query("SELECT 1 FROM Members WHERE MemberID = $1 FOR UPDATE", {memberId}).rows() > 0;
    }
    std::int64_t highestSequence(std::int32_t memberId) override
    {
        return m_db
            .query("SELECT COALESCE(MAX(CommentSequence), 0) FROM MemberDiscussionComment WHERE MemberID = $1",
                   {memberId})
            .integer(0, 0);
    }
    bool groupExists(std::int32_t group) override
    {
        return m_db.query("SELECT 1 FROM CommentGroups WHERE CommentGroupID = $1", {group}).rows() > 0;
    }
    bool typeExists(std::int32_t type) override
    {
        return m_db.query("SELECT 1 FROM CommentTypes WHERE CommentTypeID = $1", {type}).rows() > 0;
    }
    void insert(std::int32_t memberId, std::int64_t sequence, const NewComment &c) override
    {
        m_db.query(R"sql(
INSERT INTO MemberDiscussionComment (MemberID, CommentDescription, CommentSequence, CommentGroup, CommentType,
  CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta, RecordLastUpdated, FocusFranchiseRelations)
VALUES ($1, $2, $3, $4, $5, LOCALTIMESTAMP(0), $6, $7, $8, $9, LOCALTIMESTAMP(0), $10))sql",
                   {memberId, c.description, sequence, c.group, c.type, c.enteredBy, c.focus[0], c.focus[1], c.focus[2],
                    c.focus[3]});
    }
    bool update(std::int32_t memberId, const ChangedComment &u) override
    {
        return m_db.query(R"sql(
UPDATE MemberDiscussionComment SET CommentDescription = $1, CommentGroup = $2, CommentType = $3, Focuscenter = $4,
  FocusMembership = $5, FocusBeta = $6, FocusFranchiseRelations = $7, RecordLastUpdated = LOCALTIMESTAMP(0)
WHERE MemberID = $8 AND CommentSequence = $9)sql",
                          {u.description, u.group, u.type, u.focus[0], u.focus[1], u.focus[2], u.focus[3], memberId,
                           u.sequence})
                   .affected()
            != 0;
    }

private:
    PgConnection &m_db;
};

} // namespace

// A pooled connection lent to one request; given back (or its place freed) when dropped.
class PostgresStore::Lease
{
public:
    Lease(PostgresStore &store, std::unique_ptr<PgConnection> connection)
        : m_store(&store)
        , m_connection(std::move(connection))
    {
    }
    Lease(Lease &&other) noexcept
        : m_store(std::exchange(other.m_store, nullptr))
        , m_connection(std::move(other.m_connection))
    {
    }
    Lease &operator=(Lease &&) = delete;
    ~Lease()
    {
        if (m_store)
            m_store->giveBack(std::move(m_connection));
    }

    void reset(std::unique_ptr<PgConnection> connection) { m_connection = std::move(connection); }
    PgConnection *operator->() const { return m_connection.get(); }
    PgConnection &operator*() const { return *m_connection; }

private:
    PostgresStore *m_store;
    std::unique_ptr<PgConnection> m_connection;
};

PostgresStore::PostgresStore(const std::string &uri)
    : m_uri(uri)
{
    try {
        auto db = connect();
        const std::string encoding = db->query("SHOW server_encoding").text(0, 0);
        if (encoding != "UTF8")
            throw StoreError(Kind::Failed,
                             "the database holds its texts in " + encoding
                                 + "; the server needs a database created with ENCODING 'UTF8'");
        if (db->query("SHOW fsync").text(0, 0) == "off")
            std::fprintf(stderr,
                         "membercomment-server: the database runs with fsync off: a saved batch is lost "
                         "when its machine fails\n");
        createPostgresSchema(*db);
        m_idle.push_back(std::move(db));
        m_open = 1;
    } catch (const PgError &e) {
        throw storeError(e);
    }
}

PostgresStore::~PostgresStore() = default;

std::unique_ptr<PgConnection> PostgresStore::connect() const
{
    auto db = std::make_unique<PgConnection>(m_uri);
    db->execute(kSessionSettings);
    return db;
}

PostgresStore::Lease PostgresStore::begin(const char *begin)
{
    std::unique_ptr<PgConnection> pooled;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_returned.wait_for(lock, kConnectionWait, [this] { return !m_idle.empty() || m_open < kMaxConnections; }))
            throw StoreError(Kind::Busy, "every connection to the database stayed in use");
        if (!m_idle.empty()) {
            pooled = std::move(m_idle.back());
            m_idle.pop_back();
        } else {
            ++m_open; // the place is taken now, the connection made outside the lock
        }
    }
    const bool wasPooled = pooled != nullptr;
    Lease lease(*this, std::move(pooled));
    try {
        if (!wasPooled)
            lease.reset(connect());
        lease->execute(begin);
        return lease;
    } catch (const PgError &e) {
        // An idle connection breaks unnoticed when the database restarts: one new try.
        if (!wasPooled || !e.connectionLost())
            throw storeError(e);
    }
    try {
        lease.reset(connect());
        lease->execute(begin);
        return lease;
    } catch (const PgError &e) {
        throw storeError(e);
    }
}

void PostgresStore::giveBack(std::unique_ptr<PgConnection> connection)
{
    if (connection && connection->inTransaction()) {
        try {
            connection->execute("ROLLBACK");
        } catch (const PgError &) {
            connection.reset();
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (connection && connection->connected())
            m_idle.push_back(std::move(connection));
        else
            --m_open;
    }
    m_returned.notify_one();
}

bool PostgresStore::committed(const std::string &xid) const
{
    const auto deadline = std::chrono::steady_clock::now() + kFateWait;
    do {
        try {
            PgConnection db(m_uri);
            const std::string state = db.query("SELECT pg_xact_status($1::xid8)", {xid}).text(0, 0);
            if (state == "committed")
                return true;
            if (state == "aborted")
                return false;
            if (state != "in progress")
                break; // too long ago to tell
        } catch (const PgError &) {
            // not reachable yet: ask again
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < deadline);
    throw StoreError(Kind::Unknown, "the connection to the database was lost while the batch was committed");
}

void PostgresStore::seedDemoData()
{
    Lease db = begin("BEGIN");
    try {
        db->execute(kDemoDataSql);
        db->execute("COMMIT");
    } catch (const PgError &e) {
        throw storeError(e);
    }
}

LoadData PostgresStore::load(std::int64_t personId, std::int64_t memberId)
{
    // One snapshot for every query of the reply.
    Lease db = begin("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    try {
        LoadData data;
        const PgResult person = db->query(personQuery("$1"), {personId});
        data.userName = person.rows() ? person.text(0, 0) : unknownPersonName(personId);
        data.groups = readChoices(*db, kGroupsQuery);
        data.types = readChoices(*db, kTypesQuery);
        const PgResult comments = db->query(commentsQuery("$1"), {memberId});
        data.comments.reserve(static_cast<size_t>(comments.rows()));
        for (int r = 0; r < comments.rows(); ++r)
            data.comments.push_back(storedComment(PgRow{comments, r}));
        db->execute("COMMIT");
        return data;
    } catch (const PgError &e) {
        throw storeError(e);
    }
}

SaveOutcome PostgresStore::save(const CommentBatch &batch)
{
    // Read committed: the highest sequence, read once the member's lock is held, counts every
    // save that held it before.
    Lease db = begin("BEGIN ISOLATION LEVEL READ COMMITTED");
    SaveOutcome outcome;
    std::string xid;
    try {
        PostgresBatch target(*db);
        outcome = applyBatch(target, batch);
        if (!outcome.saved) {
            db->execute("ROLLBACK");
            return outcome;
        }
        xid = db->query("SELECT pg_current_xact_id()").text(0, 0);
        db->execute("COMMIT");
        return outcome;
    } catch (const PgError &e) {
        if (xid.empty() || !e.connectionLost())
            throw storeError(e);
    }
    // The COMMIT went out, but its answer never came back.
    if (!committed(xid))
        throw StoreError(Kind::Unreachable, "the connection to the database was lost before the batch was committed");
    return outcome;
}

} // namespace MemberCommentServer
