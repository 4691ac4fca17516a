#pragma once

#include "batchparser.h"
#include "sqlite.h"

#include <string>

namespace MemberCommentServer {

// What became of a batch: every statement applied, or none.
struct SaveOutcome {
    bool saved = false;
    int added = 0;
    int changed = 0;
    std::string reason; // why nothing was saved
};

// Applies the batch in one IMMEDIATE transaction, values bound as parameters: a new comment gets
// the member's highest sequence (0 when none) plus its offset, both dates `now`; a change keeps
// CommentDate and CommentEnteredBy. Refusals (unknown member, group or type, a missing comment)
// roll back and say why; database failures roll back and throw SqliteError.
SaveOutcome applyBatch(Connection &db, const CommentBatch &batch, const std::string &now);

} // namespace MemberCommentServer
