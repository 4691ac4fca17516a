#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace MemberCommentServer {

// A failure reported by SQLite, with its result code.
class SqliteError : public std::runtime_error
{
public:
    SqliteError(int code, const std::string &message)
        : std::runtime_error(message)
        , m_code(code)
    {
    }
    int code() const { return m_code; }

private:
    int m_code;
};

// One open SQLite connection; throws SqliteError when it cannot be opened.
class Connection
{
public:
    explicit Connection(const std::string &path);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Runs fixed SQL of this program (schema, pragmas, transaction control), never client text.
    void execute(const char *sql);
    sqlite3 *handle() const { return m_db; }
    int changes() const;
    // Rolls back the open transaction, if any; never throws, as it runs while unwinding.
    void rollback() noexcept;

private:
    sqlite3 *m_db = nullptr;
};

// A prepared statement whose values are bound as parameters (numbered from 1).
class Statement
{
public:
    Statement(const Connection &connection, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, std::int64_t value);
    // The text is not copied: it must stay unchanged until the statement runs or is reset.
    Statement &bind(int index, std::string_view value);
    // Steps once: true while a row is available, false when done; throws on failure.
    bool step();
    // Runs a statement that returns no rows, then makes it reusable.
    void run();
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;

private:
    const Connection &m_connection;
    sqlite3_stmt *m_stmt = nullptr;
};

} // namespace MemberCommentServer
