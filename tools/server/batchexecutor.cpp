#include "batchexecutor.h"

#include <set>

namespace MemberCommentServer {

namespace {

// Thrown to leave the batch with a reason for the user.
struct Refusal {
    std::string reason;
};

// Checks each group and type once per batch: a large batch mostly repeats a few.
class ChoiceChecks
{
public:
    explicit ChoiceChecks(BatchTarget &target)
        : m_target(target)
    {
    }

    void check(std::int32_t group, std::int32_t type)
    {
        if (!m_groups.count(group) && !m_target.groupExists(group))
            throw Refusal{"there is no comment group " + std::to_string(group) + "."};
        m_groups.insert(group);
        if (!m_types.count(type) && !m_target.typeExists(type))
            throw Refusal{"there is no comment type " + std::to_string(type) + "."};
        m_types.insert(type);
    }

private:
    BatchTarget &m_target;
    std::set<std::int32_t> m_groups, m_types;
};

SaveOutcome applyStatements(BatchTarget &target, const CommentBatch &batch)
{
    if (!target.lockMember(batch.memberId))
        throw Refusal{"there is no member " + std::to_string(batch.memberId) + "."};
    const std::int64_t highest = target.highestSequence(batch.memberId);
    ChoiceChecks choices(target);
    SaveOutcome outcome;
    for (const CommentStatement &statement : batch.statements) {
        if (const auto *c = std::get_if<NewComment>(&statement)) {
            choices.check(c->group, c->type);
            target.insert(batch.memberId, highest + c->offset, *c);
            ++outcome.added;
        } else {
            const auto &u = std::get<ChangedComment>(statement);
            choices.check(u.group, u.type);
            if (!target.update(batch.memberId, u))
                throw Refusal{"comment " + std::to_string(u.sequence) + " of member " + std::to_string(batch.memberId)
                              + " does not exist, so it cannot be changed."};
            ++outcome.changed;
        }
    }
    outcome.saved = true;
    return outcome;
}

} // namespace

SaveOutcome applyBatch(BatchTarget &target, const CommentBatch &batch)
{
    try {
        return applyStatements(target, batch);
    } catch (const Refusal &refusal) {
        return {false, 0, 0, refusal.reason};
    }
}

} // namespace MemberCommentServer
