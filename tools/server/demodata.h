#pragma once

namespace MemberCommentServer {

// The demo data as SQL both backends run: member 1001 with comments, person 7 "Demo Clerk", the
// groups and types. Rows that are already there are kept as they are.
extern const char *const kDemoDataSql;

} // namespace MemberCommentServer
