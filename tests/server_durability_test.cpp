// The membercomment-server executable as a separate process: what it reported as saved survives a
// SIGKILL, two processes saving to one database at once lose nothing and number every comment
// once, and oversized or broken requests are refused clearly.
#include "support/backends.h"
#include "support/rawclient.h"
#include "support/serverclient.h"
#include "support/serverpage.h"
#include "support/serverprocess.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <thread>

using namespace VynMemberComment;

namespace {

// The server executable on SQLite.
class ServerProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>(backend());
        ASSERT_TRUE(db->ready());
    }

    virtual Backend backend() const { return Backend::SQLite; }

    std::unique_ptr<ServerProcess> start(bool seed = false)
    {
        QStringList arguments{"--db", QString::fromStdString(db->address())};
        if (seed)
            arguments << "--seed-demo";
        auto server = std::make_unique<ServerProcess>(db->filePath(QStringLiteral("server.log")), arguments);
        EXPECT_TRUE(server->ready());
        return server;
    }

    std::unique_ptr<TestDatabase> db;
};

// The server executable on each backend.
class ServerDurabilityTest : public ServerProcessTest, public ::testing::WithParamInterface<Backend>
{
protected:
    Backend backend() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Backends, ServerDurabilityTest, kBackends, backendName);

} // namespace

TEST_P(ServerDurabilityTest, SavedCommentsSurviveSigkill)
{
    auto server = start(true);
    ASSERT_TRUE(server->ready());
    std::map<int, QString> expected = loadComments(server->port(), 1001);
    ASSERT_EQ(expected.size(), 4u);

    struct Round {
        std::vector<QString> added;
        std::optional<std::pair<int, QString>> changed;
        const char *reply;
    } rounds[] = {
        {{QStringLiteral("Caf\u00e9 \u2013 50% off"), QStringLiteral("O'Hara said \"no\"\r\nline 2")},
         std::pair{2, QStringLiteral("Edited before the kill")},
         "Saved 2 new and 1 changed comment(s)."},
        {{QStringLiteral("Second round")}, std::nullopt, "Saved 1 new and 0 changed comment(s)."},
        {{QStringLiteral("Third a"), QStringLiteral("Third b"), QStringLiteral("Third c")},
         std::pair{5, QStringLiteral("Changed after a restart")},
         "Saved 3 new and 1 changed comment(s)."},
    };
    for (const Round &round : rounds) {
        std::vector<CommentRow> rows;
        int next = expected.rbegin()->first;
        for (const QString &text : round.added) {
            rows.push_back(listRow(1001, text, QStringLiteral("N")));
            expected[++next] = text;
        }
        if (round.changed) {
            rows.push_back(listRow(1001, round.changed->second, QStringLiteral("%1U").arg(round.changed->first)));
            expected[round.changed->first] = round.changed->second;
        }
        const auto res = clientFor(server->port())->Post("/MemberComment.asp", formBody(rows, 1001), kSaveHeader);
        ASSERT_TRUE(res);
        ASSERT_EQ(res->body, round.reply);

        server->killHard();
        server = start();
        ASSERT_TRUE(server->ready());
        EXPECT_EQ(loadComments(server->port(), 1001), expected) << round.reply;
    }
}

TEST_P(ServerDurabilityTest, TwoProcessesSavingAtOnceNumberEveryCommentOnce)
{
    // Two processes on one database, as behind a load balancer, five clients on each.
    std::unique_ptr<ServerProcess> servers[] = {start(true), start()};
    ASSERT_TRUE(servers[0]->ready() && servers[1]->ready());
    const std::map<int, QString> seeded = loadComments(servers[0]->port(), 1002);
    constexpr int kClients = 10;
    constexpr int kSavesEach = 10;
    std::vector<std::vector<std::string>> replies(kClients);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c, port = servers[c % 2]->port()] {
            auto client = clientFor(port);
            for (int i = 0; i < kSavesEach; ++i) {
                const QString text = QStringLiteral("Client %1 save %2 ").arg(c).arg(i);
                const std::string body = formBody({listRow(1002, text + QLatin1String("first"), QStringLiteral("N")),
                                                   listRow(1002, text + QLatin1String("second"), QStringLiteral("N"))},
                                                  1002);
                const auto res = client->Post("/MemberComment.asp", body, kSaveHeader);
                replies[size_t(c)].push_back(res ? std::to_string(res->status) + " " + res->body : "no reply");
            }
        });
    }
    for (std::thread &t : clients) // each request is bounded by the client's timeouts
        t.join();

    std::set<QString> expectedTexts;
    for (int c = 0; c < kClients; ++c) {
        for (int i = 0; i < kSavesEach; ++i) {
            EXPECT_EQ(replies[size_t(c)][size_t(i)], "200 Saved 2 new and 0 changed comment(s).");
            expectedTexts.insert(QStringLiteral("Client %1 save %2 first").arg(c).arg(i));
            expectedTexts.insert(QStringLiteral("Client %1 save %2 second").arg(c).arg(i));
        }
    }
    // Every comment got its own number, the next ones after the highest before, and each batch
    // two consecutive ones in its order.
    const std::map<int, QString> comments = loadComments(servers[1]->port(), 1002);
    const int highest = seeded.empty() ? 0 : seeded.rbegin()->first;
    std::set<QString> texts;
    for (const auto &[sequence, text] : comments) {
        if (sequence <= highest) {
            EXPECT_EQ(text, seeded.at(sequence));
            continue;
        }
        texts.insert(text);
        if (text.endsWith(QLatin1String("first"))) {
            QString second = text;
            second.replace(QLatin1String("first"), QLatin1String("second"));
            EXPECT_EQ(comments.count(sequence + 1) ? comments.at(sequence + 1) : QString(), second);
        }
    }
    EXPECT_EQ(texts, expectedTexts);
    EXPECT_EQ(comments.size(), seeded.size() + 200);
    EXPECT_EQ(comments.rbegin()->first, highest + 200);

    for (auto &server : servers)
        server->killHard();
    auto again = start();
    ASSERT_TRUE(again->ready());
    EXPECT_EQ(loadComments(again->port(), 1002), comments);
}

TEST_P(ServerDurabilityTest, KilledInTheMiddleOfSavesKeepsEveryReportedSave)
{
    auto server = start(true);
    ASSERT_TRUE(server->ready());
    const size_t seeded = loadComments(server->port(), 1002).size();
    constexpr int kClients = 4;
    std::atomic<int> savedCount{0};
    std::vector<std::vector<QString>> reportedSaved(kClients);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        // Each client saves until the server is gone (at most 200 times).
        clients.emplace_back([&, c, port = server->port()] {
            auto client = clientFor(port);
            for (int i = 0; i < 200; ++i) {
                const QString text = QStringLiteral("Client %1 save %2").arg(c).arg(i);
                const auto res = client->Post("/MemberComment.asp",
                                              formBody({listRow(1002, text, QStringLiteral("N"))}, 1002), kSaveHeader);
                if (!res || res->status != 200)
                    return;
                reportedSaved[size_t(c)].push_back(text);
                ++savedCount;
            }
        });
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (savedCount < 40 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    server->killHard();
    for (std::thread &t : clients)
        t.join();
    ASSERT_GE(savedCount.load(), 40);

    server = start();
    ASSERT_TRUE(server->ready());
    const std::map<int, QString> comments = loadComments(server->port(), 1002);
    std::multiset<QString> stored;
    for (const auto &[sequence, text] : comments)
        stored.insert(text);
    // every reported save is there once; a save cut off before its reply may be there too
    for (const auto &texts : reportedSaved)
        for (const QString &text : texts)
            EXPECT_EQ(stored.count(text), 1u) << text.toStdString();
    EXPECT_LE(comments.size(), seeded + size_t(savedCount.load() + kClients));
}

TEST_F(ServerProcessTest, OversizedAndBrokenRequestsAreRefused)
{
    auto server = start(true);
    ASSERT_TRUE(server->ready());
    const std::map<int, QString> before = loadComments(server->port(), 1001);
    auto client = clientFor(server->port());

    struct Case {
        const char *name;
        std::string body;
        int status;
        const char *says;
    } cases[] = {
        {"escape without digits", "SQL=%", 400, "is not form-URL-encoded"},
        {"escape with one digit", "SQL=abc%4", 400, "is not form-URL-encoded"},
        {"escape with no hex digit", "SQL=%G0", 400, "is not form-URL-encoded"},
        {"broken escape in a name", "%Z=1&SQL=x", 400, "is not form-URL-encoded"},
        {"the field name escaped with its equals sign", "SQL%3Dx", 400, "has no field SQL"},
        {"an empty name", "=Declare", 400, "has no field SQL"},
        {"a longer name", "SQLX=1&XSQL=2", 400, "has no field SQL"},
        // exactly at the limit the body is read and judged
        {"body of exactly 16 MiB", "SQL=" + std::string(16 * 1024 * 1024 - 4, 'a'), 422, "Nothing was saved: "},
    };
    for (const Case &c : cases) {
        const auto res = client->Post("/MemberComment.asp", c.body, kSaveHeader);
        ASSERT_TRUE(res) << c.name;
        EXPECT_EQ(res->status, c.status) << c.name;
        EXPECT_EQ(res->body.rfind("Nothing was saved: ", 0), 0u) << c.name << ": " << res->body;
        EXPECT_NE(res->body.find(c.says), std::string::npos) << c.name << ": " << res->body;
    }

    // A length of 1 GiB announced with only a little sent: refused without waiting for the rest.
    RawClient raw(server->port());
    ASSERT_TRUE(raw.send("POST /MemberComment.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                         "application/x-www-form-urlencoded\r\nContent-Length: 1073741824\r\n\r\nSQL=abc"));
    const std::string answer = raw.readReplyHead(std::chrono::seconds(20));
    EXPECT_EQ(answer.rfind("HTTP/1.1 413", 0), 0u) << answer;

    // nothing was saved, and the server still serves
    EXPECT_EQ(loadComments(server->port(), 1001), before);
}
