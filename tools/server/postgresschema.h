#pragma once

#include "postgres.h"

namespace MemberCommentServer {

// Creates the tables that are missing, as createSqliteSchema does, in one transaction that holds
// off every other server starting on the same database meanwhile.
void createPostgresSchema(PgConnection &db);

} // namespace MemberCommentServer
