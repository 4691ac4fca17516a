#pragma once

#include "sqlite.h"

namespace MemberCommentServer {

// Creates the tables that are missing: members, persons, comment groups and types, and the
// comments in MemberDiscussionComment keyed by (MemberID, CommentSequence).
void createSqliteSchema(Connection &db);

} // namespace MemberCommentServer
