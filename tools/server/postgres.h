#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>

struct pg_conn;
struct pg_result;

namespace MemberCommentServer {

// A failure reported by PostgreSQL or by libpq: the SQLSTATE (empty when libpq failed on its own),
// and whether the connection was lost with it.
class PgError : public std::runtime_error
{
public:
    PgError(const std::string &message, std::string sqlState, bool connectionLost)
        : std::runtime_error(message)
        , m_sqlState(std::move(sqlState))
        , m_connectionLost(connectionLost)
    {
    }
    const std::string &sqlState() const { return m_sqlState; }
    bool connectionLost() const { return m_connectionLost; }

private:
    std::string m_sqlState;
    bool m_connectionLost;
};

// One value of a query, in PostgreSQL's text form: a whole number, or a text that outlives the query.
class PgValue
{
public:
    PgValue(std::int64_t number)
        : m_number(std::to_string(number))
    {
    }
    PgValue(const std::string &text)
        : m_text(text.c_str())
    {
    }
    const char *c_str() const { return m_text ? m_text : m_number.c_str(); }

private:
    std::string m_number;
    const char *m_text = nullptr;
};

// A query's rows, their values in text form; rows and columns are numbered from 0.
class PgResult
{
public:
    explicit PgResult(pg_result *result);
    int rows() const;
    // The rows an INSERT or UPDATE touched.
    std::int64_t affected() const;
    std::string text(int row, int column) const;
    std::int64_t integer(int row, int column) const;

private:
    std::unique_ptr<pg_result, void (*)(pg_result *)> m_result;
};

// "PostgreSQL database DB on HOST as USER" for a libpq connection string or URI: what it names,
// without its password; libpq's defaults stand for what it leaves out.
std::string postgresName(const std::string &uri);

// One libpq connection. Values always travel as parameters, never inside the SQL.
class PgConnection
{
public:
    // Connects with a libpq connection string or URI; throws PgError (connection lost) when it cannot.
    // The URI's settings win over this program's defaults: a 5 s connect timeout and its name.
    explicit PgConnection(const std::string &uri);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // Runs fixed SQL of this program (several statements allowed), never client text.
    void execute(const char *sql);
    // Runs one statement with the values as its parameters $1, $2, ... Each statement is prepared
    // once per connection: a batch runs the same few a thousand times.
    PgResult query(const std::string &sql, std::initializer_list<PgValue> values = {});
    // False once the connection is gone: it cannot be used again.
    bool connected() const;
    // True between BEGIN and its COMMIT or ROLLBACK, a failed transaction included.
    bool inTransaction() const;

private:
    PgResult check(pg_result *raw);

    pg_conn *m_conn = nullptr;
    std::unordered_map<std::string, std::string> m_prepared; // SQL to statement name
};

} // namespace MemberCommentServer
