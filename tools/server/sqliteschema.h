#pragma once

#include "sqlite.h"

namespace MemberCommentServer {

// Creates the tables that are missing: members, persons, comment groups and types, and the
// comments in MemberDiscussionComment keyed by (MemberID, CommentSequence).
void createSchema(Connection &db);

// Adds the demo data (member 1001 with comments, person 7 "Demo Clerk", groups, types); rows that
// are already there are kept as they are.
void seedDemoData(Connection &db);

} // namespace MemberCommentServer
