#include "commentstore.h"

#include "postgresstore.h"
#include "sqlitestore.h"

namespace MemberCommentServer {

bool isPostgresUri(const std::string &database)
{
    return database.rfind("postgresql://", 0) == 0 || database.rfind("postgres://", 0) == 0;
}

std::string databaseName(const std::string &database)
{
    if (isPostgresUri(database))
        return postgresName(database);
    return "SQLite database " + (database.empty() ? std::string("in memory") : database);
}

std::unique_ptr<CommentStore> openCommentStore(const std::string &database)
{
    if (isPostgresUri(database))
        return std::make_unique<PostgresStore>(database);
    return std::make_unique<SqliteStore>(database);
}

} // namespace MemberCommentServer
