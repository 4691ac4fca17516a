#pragma once

#include "batchexecutor.h"
#include "loadquery.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace MemberCommentServer {

// A failure of the database behind a store, of the kind that decides the reply.
class StoreError : public std::runtime_error
{
public:
    enum class Kind {
        Busy,        // others hold what the request needs: the client may simply try again
        Unreachable, // no connection to the database, or it was lost before the batch was committed
        Unknown,     // the connection was lost while the batch was committed, and nobody can tell whether it was
        Failed,      // anything else the database refused or failed at
    };
    StoreError(Kind kind, const std::string &message)
        : std::runtime_error(message)
        , m_kind(kind)
    {
    }
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// The comment database of one server; safe to use from every request thread at once. Every
// failure of the database is thrown as StoreError; a request never leaves a batch half applied.
class CommentStore
{
public:
    virtual ~CommentStore() = default;

    // Adds the demo data (member 1001 with comments, person 7 "Demo Clerk", groups, types); rows
    // that are already there are kept as they are.
    virtual void seedDemoData() = 0;
    // The load reply's data, read as one consistent picture.
    virtual LoadData load(std::int64_t personId, std::int64_t memberId) = 0;
    // Applies a parsed batch, all or nothing; returns only once a saved batch is durable.
    virtual SaveOutcome save(const CommentBatch &batch) = 0;
};

// True for a PostgreSQL connection URI ("postgresql://..." or "postgres://..."), which names a
// PostgreSQL database; anything else names a SQLite file.
bool isPostgresUri(const std::string &database);

// The database as the log names it, without any password: "SQLite database FILE" (or "in memory"),
// or "PostgreSQL database DB on HOST as USER".
std::string databaseName(const std::string &database);

// Opens the store the database names, creating the schema when missing: a PostgreSQL
// connection URI, a SQLite file, or an in-memory SQLite database when empty. Throws StoreError.
std::unique_ptr<CommentStore> openCommentStore(const std::string &database);

} // namespace MemberCommentServer
