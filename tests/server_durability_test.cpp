// What the server reported saved is kept, once and whole, and what failed leaves nothing: two
// server processes on one database killed with SIGKILL while their clients save, on each backend;
// the database down, a connection cut in the middle of a batch or at its commit, a full disk. A
// failure gets a 5xx with a text the control shows, and the server saves again as soon as the
// database does, without a restart.
#include "support/backends.h"
#include "support/serverpage.h"
#include "support/serverprocess.h"
#include "support/wireforms.h"

#include <membercommentserver.h>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

using namespace VynMemberComment;

namespace {

// Saves new comments of member 1001 with these texts, then the changed statements: the reply's
// status and text, or nothing without a reply.
std::string save(int port, const QStringList &texts, const std::string &changed = {})
{
    std::string batch = WireForms::header("1001");
    for (int i = 0; i < texts.size(); ++i)
        batch += WireForms::insert("1001", WireForms::literal(texts[i].toStdString()), std::to_string(i + 1));
    const auto res = clientFor(port)->Post("/MemberComment.asp", WireForms::formBody(batch + changed), kSaveHeader);
    return res ? std::to_string(res->status) + " " + res->body : std::string();
}

// The texts of member 1001's comments, in their order.
QStringList texts(int port)
{
    QStringList out;
    for (const auto &[sequence, text] : loadComments(port, 1001))
        out << text;
    return out;
}

QString text(int client, int batch, const char *part)
{
    return QStringLiteral("Client %1 save %2 %3").arg(client).arg(batch).arg(QLatin1String(part));
}

class ServerDurabilityTest : public ::testing::TestWithParam<Backend>
{
protected:
    // The server executable on the test's database, with the demo data (rows already there are kept).
    std::unique_ptr<ServerProcess> start() const
    {
        return std::make_unique<ServerProcess>(
            db.filePath(QStringLiteral("server.log")),
            QStringList{"--db", QString::fromStdString(db.address()), "--seed-demo"});
    }

    TestDatabase db{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Backends, ServerDurabilityTest, kBackends, backendName);

} // namespace

TEST_P(ServerDurabilityTest, KilledWhileSavingKeepsEveryReportedSaveWholeAndNumberedOnce)
{
    ASSERT_TRUE(db.ready());
    // Two processes on one database, as behind a load balancer, two clients on each.
    std::unique_ptr<ServerProcess> servers[] = {start(), start()};
    ASSERT_TRUE(servers[0]->ready() && servers[1]->ready());

    // Each batch of client c adds two comments and changes comment c + 1, until its server is gone.
    constexpr int kClients = 4;
    std::atomic<int> reported[kClients] = {};
    std::vector<std::thread> clients;
    clients.reserve(kClients);
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c, port = servers[c % 2]->port()] {
            for (int i = 0; i < 1000; ++i) {
                const std::string reply =
                    save(port, {text(c, i, "first"), text(c, i, "second")},
                         WireForms::update("1001", WireForms::literal(text(c, i, "changed").toStdString()),
                                           std::to_string(c + 1)));
                if (reply != "200 Saved 2 new and 1 changed comment(s).") {
                    EXPECT_EQ(reply, "") << c; // none once the server is killed
                    return;
                }
                ++reported[c];
            }
        });
    }
    // Killed once every client saved a few times: saves are in flight then.
    bool saving = false;
    for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         !saving && std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(std::chrono::milliseconds(5)))
        saving = std::all_of(std::begin(reported), std::end(reported), [](const auto &n) { return n >= 3; });
    for (auto &server : servers)
        server->killHard();
    for (std::thread &t : clients) // each request is bounded by the client's timeouts
        t.join();
    ASSERT_TRUE(saving);

    auto again = start();
    ASSERT_TRUE(again->ready());
    const std::map<int, QString> comments = loadComments(again->port(), 1001);
    std::map<QString, int> numberOf;
    for (const auto &[sequence, stored] : comments)
        numberOf[stored] = sequence;
    size_t added = 0;
    for (int c = 0; c < kClients; ++c) {
        // The batches reported saved and perhaps the one cut off, each whole: its new comments one
        // after the other, its change with them.
        const int kept = reported[c] + int(numberOf.count(text(c, reported[c], "first")));
        for (int i = 0; i < kept; ++i) {
            ASSERT_TRUE(numberOf.count(text(c, i, "first")) && numberOf.count(text(c, i, "second"))) << c << " " << i;
            EXPECT_EQ(numberOf[text(c, i, "second")], numberOf[text(c, i, "first")] + 1) << c << " " << i;
        }
        EXPECT_EQ(comments.at(c + 1), text(c, kept - 1, "changed"));
        added += 2 * size_t(kept);
    }
    // Every comment has a number of its own (loadComments checks that), without gaps.
    EXPECT_EQ(comments.size(), 4 + added);
    EXPECT_EQ(comments.rbegin()->first, int(comments.size()));
}

TEST(ServerDatabaseFaultsTest, PostgresDownOrFailingInTheMiddleOfABatch)
{
    TestDatabase db(Backend::PostgreSQL);
    ASSERT_TRUE(db.ready());
    MemberCommentServer::Server server({db.address(), true});
    const int port = server.start();
    QStringList expected = texts(port);

    // Down: no connection is allowed, and every one there is ended.
    db.admin("ALTER DATABASE " + db.name() + " ALLOW_CONNECTIONS false");
    db.admin("SELECT pg_terminate_backend(pid, 10000) FROM pg_stat_activity WHERE datname = '" + db.name() + "'");
    const auto load = clientFor(port)->Get("/MemberComment.asp?Type=1&PersonID=7&MemberID=1001");
    ASSERT_TRUE(load);
    EXPECT_EQ(load->status, 503);
    EXPECT_EQ(load->body.rfind("The database cannot be reached (", 0), 0u) << load->body;
    const std::string down = save(port, {QStringLiteral("While it is down")});
    EXPECT_EQ(down.rfind("503 Nothing was saved: the database cannot be reached (", 0), 0u) << down;
    db.admin("ALTER DATABASE " + db.name() + " ALLOW_CONNECTIONS true");

    // Each other fault strikes the batch's second comment, through a trigger.
    const std::string cut = "CREATE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                            "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$;";
    const std::string onSecond = " FOR EACH ROW WHEN (NEW.CommentDescription = 'second') EXECUTE FUNCTION fault();";
    const struct {
        const char *name;
        std::string fault;
        const char *reply; // how it starts
    } rows[] = {
        {"the database back", "", "200 Saved 2 new and 0 changed comment(s)."},
        {"the connection cut mid-batch",
         cut + "CREATE TRIGGER fault BEFORE INSERT ON MemberDiscussionComment" + onSecond,
         "503 Nothing was saved: the database cannot be reached (terminating connection"},
        {"the connection cut at the commit",
         cut + "CREATE CONSTRAINT TRIGGER fault AFTER INSERT ON MemberDiscussionComment DEFERRABLE INITIALLY DEFERRED"
             + onSecond,
         "503 Nothing was saved: the database cannot be reached (the connection to the database was lost before "
         "the batch was committed)"},
        {"a full disk",
         "CREATE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION "
         "'could not extend file: No space left on device' USING ERRCODE = 'disk_full'; END $$;"
         "CREATE TRIGGER fault BEFORE INSERT ON MemberDiscussionComment"
             + onSecond,
         "500 Nothing was saved: the database failed: could not extend file: No space left on device"},
    };
    for (const auto &row : rows) {
        db.execute("DROP TRIGGER IF EXISTS fault ON MemberDiscussionComment; DROP FUNCTION IF EXISTS fault();"
                   + row.fault);
        const std::string reply = save(port, {QStringLiteral("first"), QStringLiteral("second")});
        EXPECT_EQ(reply.rfind(row.reply, 0), 0u) << row.name << ": " << reply;
        if (row.fault.empty()) // saved
            expected << QStringLiteral("first") << QStringLiteral("second");
        EXPECT_EQ(texts(port), expected) << row.name;
    }
}

TEST(ServerDatabaseFaultsTest, SqliteOnAFullDisk)
{
    TestDatabase db(Backend::SQLite);
    ServerProcess server(db.filePath(QStringLiteral("server.log")),
                         {"--db", QString::fromStdString(db.address()), "--seed-demo"});
    ASSERT_TRUE(server.ready());
    const QStringList before = texts(server.port());
    // The server may write files of at most 1 MiB, as if the disk were full beyond that.
    rlimit size{1 << 20, RLIM_INFINITY};
    ASSERT_EQ(::prlimit(pid_t(server.pid()), RLIMIT_FSIZE, &size, nullptr), 0);
    const QStringList large(20, QString(60000, QLatin1Char('x')));
    const std::string full = save(server.port(), large);
    EXPECT_EQ(full.rfind("500 Nothing was saved: the database failed: ", 0), 0u) << full;
    EXPECT_EQ(texts(server.port()), before);
    // Room again: the same server saves.
    size.rlim_cur = RLIM_INFINITY;
    ASSERT_EQ(::prlimit(pid_t(server.pid()), RLIMIT_FSIZE, &size, nullptr), 0);
    EXPECT_EQ(save(server.port(), large), "200 Saved 20 new and 0 changed comment(s).");
    EXPECT_EQ(texts(server.port()), before + large);
}
