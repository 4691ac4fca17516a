#pragma once

// The databases the reference server page runs on, for tests that run once on each of them:
// INSTANTIATE_TEST_SUITE_P(Backends, Suite, kBackends, backendName). The PostgreSQL ones live on
// the throw-away cluster that ctest starts (the test postgres_cluster_start), whose URI it writes to
// VMC_POSTGRES_URI_FILE. Without that cluster a PostgreSQL test fails: it never skips.

#include <postgres.h>
#include <sqlite.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <ostream>
#include <string>

enum class Backend { SQLite, PostgreSQL };

inline const auto kBackends = ::testing::Values(Backend::SQLite, Backend::PostgreSQL);

// So that test names and messages show the backend, not its bytes.
inline void PrintTo(Backend backend, std::ostream *out)
{
    *out << (backend == Backend::SQLite ? "SQLite" : "PostgreSQL");
}

inline const auto backendName = ::testing::PrintToStringParamName();

// A database of one test's own, for the server's --db: a SQLite file in a temporary folder, or a
// new database on the cluster, dropped again at the end.
class TestDatabase
{
public:
    explicit TestDatabase(Backend backend)
    {
        if (backend == Backend::SQLite) {
            m_address = m_dir.filePath(QStringLiteral("comments.db")).toStdString();
            return;
        }
        std::ifstream file(VMC_POSTGRES_URI_FILE);
        std::getline(file, m_adminUri);
        const size_t name = m_adminUri.find("///postgres?");
        static std::atomic<int> count{0};
        const std::string database = "vmc_" + std::to_string(::getpid()) + "_" + std::to_string(++count);
        if (name == std::string::npos) {
            ADD_FAILURE() << VMC_POSTGRES_URI_FILE << " names no PostgreSQL test cluster: ctest starts one "
                          << "(postgres_cluster_start), as does tools/server/throwaway-cluster.sh start";
        } else if (tryAdmin("CREATE DATABASE " + database)) {
            m_name = database;
            m_address = m_adminUri.substr(0, name) + "///" + m_name + m_adminUri.substr(name + 11);
        }
    }
    ~TestDatabase()
    {
        if (!m_name.empty())
            tryAdmin("DROP DATABASE " + m_name + " WITH (FORCE)");
    }
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    bool ready() const { return !m_address.empty(); }
    // What the server's --db takes.
    const std::string &address() const { return m_address; }
    // The PostgreSQL database's name.
    const std::string &name() const { return m_name; }
    // A folder of the test's own, for logs.
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Runs SQL of the test's own on the database.
    void execute(const std::string &sql) const
    {
        if (m_name.empty())
            MemberCommentServer::Connection(m_address).execute(sql.c_str());
        else
            MemberCommentServer::PgConnection(m_address).execute(sql.c_str());
    }
    // Runs SQL on the cluster's database postgres, as the superuser.
    void admin(const std::string &sql) const { MemberCommentServer::PgConnection(m_adminUri).execute(sql.c_str()); }

private:
    bool tryAdmin(const std::string &sql) const
    {
        try {
            admin(sql);
            return true;
        } catch (const std::exception &e) {
            ADD_FAILURE() << sql << " on the PostgreSQL test cluster: " << e.what();
            return false;
        }
    }

    QTemporaryDir m_dir;
    std::string m_adminUri;
    std::string m_name;
    std::string m_address;
};
