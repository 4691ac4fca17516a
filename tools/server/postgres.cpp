#include "postgres.h"

#include <libpq-fe.h>

#include <vector>

namespace MemberCommentServer {

namespace {

// The first line of a libpq message, without the severity that a server's message starts with
// ("FATAL:  terminating connection ...").
std::string firstLine(const char *message)
{
    std::string text = message ? message : "";
    text = text.substr(0, text.find('\n'));
    const size_t severity = text.find(":  ");
    if (severity != std::string::npos && text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == severity)
        text.erase(0, severity + 3);
    return text.empty() ? std::string("no reply from the database") : text;
}

} // namespace

std::string postgresName(const std::string &uri)
{
    PQconninfoOption *options = PQconninfoParse(uri.c_str(), nullptr);
    if (!options)
        return "PostgreSQL database (a connection URI libpq cannot read)";
    std::string database, host, port, user;
    for (const PQconninfoOption *o = options; o->keyword; ++o) {
        const std::string keyword = o->keyword;
        const std::string value = o->val ? o->val : "";
        if (keyword == "dbname")
            database = value;
        else if (keyword == "host")
            host = value;
        else if (keyword == "port")
            port = value;
        else if (keyword == "user")
            user = value;
    }
    PQconninfoFree(options);
    std::string name = "PostgreSQL database " + (database.empty() ? std::string("(the user's)") : database);
    name += " on " + (host.empty() ? std::string("the default socket") : host) + (port.empty() ? "" : ":" + port);
    return user.empty() ? name : name + " as " + user;
}

PgResult::PgResult(pg_result *result)
    : m_result(result, PQclear)
{
}

int PgResult::rows() const
{
    return PQntuples(m_result.get());
}

std::int64_t PgResult::affected() const
{
    const char *count = PQcmdTuples(m_result.get());
    return *count ? std::stoll(count) : 0;
}

std::string PgResult::text(int row, int column) const
{
    return std::string(PQgetvalue(m_result.get(), row, column),
                       static_cast<size_t>(PQgetlength(m_result.get(), row, column)));
}

std::int64_t PgResult::integer(int row, int column) const
{
    return std::stoll(PQgetvalue(m_result.get(), row, column));
}

PgConnection::PgConnection(const std::string &uri)
{
    // Entries before the expanded URI are defaults it may override.
    const char *keys[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char *values[] = {"5", "membercomment-server", uri.c_str(), nullptr};
    m_conn = PQconnectdbParams(keys, values, 1);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const std::string message = firstLine(PQerrorMessage(m_conn));
        PQfinish(m_conn);
        m_conn = nullptr;
        throw PgError(message, {}, true);
    }
}

PgConnection::~PgConnection()
{
    PQfinish(m_conn);
}

void PgConnection::execute(const char *sql)
{
    check(PQexec(m_conn, sql));
}

PgResult PgConnection::query(const std::string &sql, std::initializer_list<PgValue> values)
{
    auto prepared = m_prepared.find(sql);
    if (prepared == m_prepared.end()) {
        const std::string name = "s" + std::to_string(m_prepared.size() + 1);
        check(PQprepare(m_conn, name.c_str(), sql.c_str(), 0, nullptr));
        prepared = m_prepared.emplace(sql, name).first;
    }
    std::vector<const char *> texts;
    texts.reserve(values.size());
    for (const PgValue &value : values)
        texts.push_back(value.c_str());
    return check(PQexecPrepared(m_conn, prepared->second.c_str(), static_cast<int>(texts.size()), texts.data(), nullptr,
                                nullptr, 0));
}

bool PgConnection::connected() const
{
    return PQstatus(m_conn) == CONNECTION_OK;
}

bool PgConnection::inTransaction() const
{
    return PQtransactionStatus(m_conn) != PQTRANS_IDLE;
}

PgResult PgConnection::check(pg_result *raw)
{
    PgResult result(raw);
    const ExecStatusType status = PQresultStatus(raw);
    if (raw && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK))
        return result;
    const char *sqlState = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
    const char *primary = raw ? PQresultErrorField(raw, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    throw PgError(firstLine(primary ? primary : PQerrorMessage(m_conn)), sqlState ? sqlState : "", !connected());
}

} // namespace MemberCommentServer
