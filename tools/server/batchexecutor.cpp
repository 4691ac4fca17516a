#include "batchexecutor.h"

namespace MemberCommentServer {

namespace {

// Thrown to leave the transaction with a reason for the user.
struct Refusal {
    std::string reason;
};

bool exists(const Connection &db, const char *sql, std::int64_t id)
{
    Statement query(db, sql);
    query.bind(1, id);
    return query.step();
}

void checkGroupAndType(const Connection &db, std::int32_t group, std::int32_t type)
{
    if (!exists(db, "SELECT 1 FROM CommentGroups WHERE CommentGroupID = ?1", group))
        throw Refusal{"there is no comment group " + std::to_string(group) + "."};
    if (!exists(db, "SELECT 1 FROM CommentTypes WHERE CommentTypeID = ?1", type))
        throw Refusal{"there is no comment type " + std::to_string(type) + "."};
}

SaveOutcome applyStatements(Connection &db, const CommentBatch &batch, const std::string &now)
{
    if (!exists(db, "SELECT 1 FROM Members WHERE MemberID = ?1", batch.memberId))
        throw Refusal{"there is no member " + std::to_string(batch.memberId) + "."};

    Statement maxQuery(db, "SELECT COALESCE(MAX(CommentSequence), 0) FROM MemberDiscussionComment WHERE MemberID = ?1");
    maxQuery.bind(1, batch.memberId);
    maxQuery.step();
    const std::int64_t maxSequence = maxQuery.integer(0);

    Statement insert(db, R"sql(
INSERT INTO MemberDiscussionComment (MemberID, CommentDescription, CommentSequence, CommentGroup, CommentType,
  CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta, RecordLastUpdated, FocusFranchiseRelations)
VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?6, ?11))sql");
    Statement update(db, R"sql(
UPDATE MemberDiscussionComment SET CommentDescription = ?1, CommentGroup = ?2, CommentType = ?3, Focuscenter = ?4,
  FocusMembership = ?5, FocusBeta = ?6, FocusFranchiseRelations = ?7, RecordLastUpdated = ?8
WHERE MemberID = ?9 AND CommentSequence = ?10)sql");

    SaveOutcome outcome;
    for (const CommentStatement &statement : batch.statements) {
        if (const auto *c = std::get_if<NewComment>(&statement)) {
            checkGroupAndType(db, c->group, c->type);
            insert.bind(1, batch.memberId).bind(2, c->description).bind(3, maxSequence + c->offset);
            insert.bind(4, c->group).bind(5, c->type).bind(6, now).bind(7, c->enteredBy);
            insert.bind(8, c->focus[0]).bind(9, c->focus[1]).bind(10, c->focus[2]).bind(11, c->focus[3]);
            insert.run();
            ++outcome.added;
        } else {
            const auto &u = std::get<ChangedComment>(statement);
            checkGroupAndType(db, u.group, u.type);
            update.bind(1, u.description).bind(2, u.group).bind(3, u.type);
            update.bind(4, u.focus[0]).bind(5, u.focus[1]).bind(6, u.focus[2]).bind(7, u.focus[3]);
            update.bind(8, now).bind(9, batch.memberId).bind(10, u.sequence);
            update.run();
            if (db.changes() == 0)
                throw Refusal{"comment " + std::to_string(u.sequence) + " of member " + std::to_string(batch.memberId)
                              + " does not exist, so it cannot be changed."};
            ++outcome.changed;
        }
    }
    outcome.saved = true;
    return outcome;
}

} // namespace

SaveOutcome applyBatch(Connection &db, const CommentBatch &batch, const std::string &now)
{
    db.execute("BEGIN IMMEDIATE");
    try {
        SaveOutcome outcome = applyStatements(db, batch, now);
        db.execute("COMMIT");
        return outcome;
    } catch (const Refusal &refusal) {
        db.rollback();
        return {false, 0, 0, refusal.reason};
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace MemberCommentServer
