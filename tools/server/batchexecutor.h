#pragma once

#include "batchparser.h"

#include <cstdint>
#include <string>

namespace MemberCommentServer {

// What became of a batch: every statement applied, or none.
struct SaveOutcome {
    bool saved = false;
    int added = 0;
    int changed = 0;
    std::string reason; // why nothing was saved
};

// The statements a backend runs for a batch, all inside the one transaction it opened for it.
// Each stamps the comment with the batch's one time "now".
class BatchTarget
{
public:
    virtual ~BatchTarget() = default;
    // Holds off every other save of the member until the transaction ends, so that the highest
    // sequence read next stays the highest; false when there is no such member.
    virtual bool lockMember(std::int32_t memberId) = 0;
    // The member's highest comment sequence, 0 when it has none.
    virtual std::int64_t highestSequence(std::int32_t memberId) = 0;
    virtual bool groupExists(std::int32_t group) = 0;
    virtual bool typeExists(std::int32_t type) = 0;
    virtual void insert(std::int32_t memberId, std::int64_t sequence, const NewComment &comment) = 0;
    // False when the member has no comment with that sequence.
    virtual bool update(std::int32_t memberId, const ChangedComment &comment) = 0;
};

// Runs the batch's statements in order: a new comment gets the member's highest sequence (0 when
// none) plus its offset, both dates now; a change keeps CommentDate and CommentEnteredBy. A refusal
// (unknown member, group or type, a missing comment) stops at once with saved false and the
// reason: the caller rolls the transaction back then, and commits otherwise. Database failures
// are the target's exceptions.
SaveOutcome applyBatch(BatchTarget &target, const CommentBatch &batch);

} // namespace MemberCommentServer
