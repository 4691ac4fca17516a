#include "sqlitestore.h"

#include "dateforms.h"
#include "demodata.h"
#include "sqliteschema.h"

#include <sqlite3.h>

namespace MemberCommentServer {

namespace {

constexpr int kBusyTimeoutMs = 10000;

StoreError storeError(const SqliteError &e)
{
    return StoreError((e.code() & 0xFF) == SQLITE_BUSY ? StoreError::Kind::Busy : StoreError::Kind::Failed, e.what());
}

// Runs work in one transaction begun with `begin`: committed when work returns true, rolled back
// when it returns false or throws.
template<typename Work>
void inTransaction(Connection &db, const char *begin, Work work)
{
    try {
        db.execute(begin);
        try {
            db.execute(work() ? "COMMIT" : "ROLLBACK");
        } catch (...) {
            db.rollback();
            throw;
        }
    } catch (const SqliteError &e) {
        throw storeError(e);
    }
}

class SqliteBatch : public BatchTarget
{
public:
    explicit SqliteBatch(const Connection &db)
        : m_db(db)
        , m_now(storedNow())
        , m_insert(db, R"sql(
INSERT INTO MemberDiscussionComment (MemberID, CommentDescription, CommentSequence, CommentGroup, CommentType,
  CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta, RecordLastUpdated, FocusFranchiseRelations)
VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?6, ?11))sql")
        , m_update(db, R"sql(
UPDATE MemberDiscussionComment SET CommentDescription = ?1, CommentGroup = ?2, CommentType = ?3, Focuscenter = ?4,
  FocusMembership = ?5, FocusBeta = ?6, FocusFranchiseRelations = ?7, RecordLastUpdated = ?8
WHERE MemberID = ?9 AND CommentSequence = ?10)sql")
    {
    }

    // The transaction already holds the whole file.
    bool lockMember(std::int32_t memberId) override
    {
        return exists("SELECT 1 FROM Members WHERE MemberID = ?1", memberId);
    }
    std::int64_t highestSequence(std::int32_t memberId) override
    {
        Statement query(m_db,
                        "SELECT COALESCE(MAX(CommentSequence), 0) FROM MemberDiscussionComment WHERE MemberID = ?1");
        query.bind(1, memberId).step();
        return query.integer(0);
    }
    bool groupExists(std::int32_t group) override
    {
        return exists("SELECT 1 FROM CommentGroups WHERE CommentGroupID = ?1", group);
    }
    bool typeExists(std::int32_t type) override
    {
        return exists("SELECT 1 FROM CommentTypes WHERE CommentTypeID = ?1", type);
    }
    void insert(std::int32_t memberId, std::int64_t sequence, const NewComment &c) override
    {
        m_insert.bind(1, memberId).bind(2, c.description).bind(3, sequence).bind(4, c.group).bind(5, c.type);
        m_insert.bind(6, m_now).bind(7, c.enteredBy);
        m_insert.bind(8, c.focus[0]).bind(9, c.focus[1]).bind(10, c.focus[2]).bind(11, c.focus[3]);
        m_insert.run();
    }
    bool update(std::int32_t memberId, const ChangedComment &u) override
    {
        m_update.bind(1, u.description).bind(2, u.group).bind(3, u.type);
        m_update.bind(4, u.focus[0]).bind(5, u.focus[1]).bind(6, u.focus[2]).bind(7, u.focus[3]);
        m_update.bind(8, m_now).bind(9, memberId).bind(10, u.sequence);
        m_update.run();
        return m_db.changes() != 0;
    }

private:
    bool exists(const char *sql, std::int64_t id)
    {
        Statement query(m_db, sql);
        query.bind(1, id);
        return query.step();
    }

    const Connection &m_db;
    const std::string m_now;
    Statement m_insert;
    Statement m_update;
};

std::vector<Choice> readChoices(const Connection &db, const char *sql)
{
    std::vector<Choice> choices;
    Statement query(db, sql);
    while (query.step())
        choices.push_back({query.integer(0), query.text(1)});
    return choices;
}

} // namespace

SqliteStore::SqliteStore(const std::string &path)
try : m_db(path.empty() ? ":memory:" : path) {
    sqlite3_busy_timeout(m_db.handle(), kBusyTimeoutMs);
    m_db.execute("PRAGMA journal_mode = WAL");
    m_db.execute("PRAGMA synchronous = FULL");
    m_db.execute("PRAGMA foreign_keys = ON");
    createSqliteSchema(m_db);
} catch (const SqliteError &e) {
    throw storeError(e);
}

void SqliteStore::seedDemoData()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    inTransaction(m_db, "BEGIN IMMEDIATE", [this] {
        m_db.execute(kDemoDataSql);
        return true;
    });
}

LoadData SqliteStore::load(std::int64_t personId, std::int64_t memberId)
{
    LoadData data;
    std::lock_guard<std::mutex> lock(m_mutex);
    inTransaction(m_db, "BEGIN", [&] {
        Statement person(m_db, personQuery("?1").c_str());
        person.bind(1, personId);
        data.userName = person.step() ? person.text(0) : unknownPersonName(personId);
        data.groups = readChoices(m_db, kGroupsQuery);
        data.types = readChoices(m_db, kTypesQuery);
        Statement comments(m_db, commentsQuery("?1").c_str());
        comments.bind(1, memberId);
        while (comments.step())
            data.comments.push_back(storedComment(comments));
        return true;
    });
    return data;
}

SaveOutcome SqliteStore::save(const CommentBatch &batch)
{
    SaveOutcome outcome;
    std::lock_guard<std::mutex> lock(m_mutex);
    // IMMEDIATE: the file is held from the start, so the highest sequence read stays the highest.
    inTransaction(m_db, "BEGIN IMMEDIATE", [&] {
        SqliteBatch target(m_db);
        outcome = applyBatch(target, batch);
        return outcome.saved;
    });
    return outcome;
}

} // namespace MemberCommentServer
