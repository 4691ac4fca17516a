#include "sqlite.h"

#include <sqlite3.h>

namespace MemberCommentServer {

namespace {

[[noreturn]] void fail(sqlite3 *db, int code)
{
    throw SqliteError(code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

} // namespace

Connection::Connection(const std::string &path)
{
    const int rc = sqlite3_open_v2(path.c_str(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw SqliteError(rc, message);
    }
    sqlite3_extended_result_codes(m_db, 1);
}

Connection::~Connection()
{
    sqlite3_close(m_db);
}

void Connection::execute(const char *sql)
{
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
}

int Connection::changes() const
{
    return sqlite3_changes(m_db);
}

void Connection::rollback() noexcept
{
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

Statement::Statement(const Connection &connection, const char *sql)
    : m_connection(connection)
{
    const int rc = sqlite3_prepare_v2(connection.handle(), sql, -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        fail(connection.handle(), rc);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement &Statement::bind(int index, std::int64_t value)
{
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK)
        fail(m_connection.handle(), rc);
    return *this;
}

Statement &Statement::bind(int index, std::string_view value)
{
    const int rc = sqlite3_bind_text64(m_stmt, index, value.data(), value.size(), SQLITE_STATIC, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        fail(m_connection.handle(), rc);
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(m_connection.handle(), rc);
}

void Statement::run()
{
    while (step()) {}
    reset();
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::string Statement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return data ? std::string(data, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column))) : std::string();
}

} // namespace MemberCommentServer
