// The membercomment-server executable on each backend: two processes saving to one database at
// once, killed with SIGKILL while their clients save. Every save they reported is kept, once and
// whole; no batch is kept in part; every comment has a number of its own, without gaps; and a
// restarted server goes on from there.
#include "support/backends.h"
#include "support/serverpage.h"
#include "support/serverprocess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

using namespace VynMemberComment;

namespace {

class ServerDurabilityTest : public ::testing::TestWithParam<Backend>
{
protected:
    std::unique_ptr<ServerProcess> start(bool seed = false)
    {
        QStringList arguments{"--db", QString::fromStdString(db.address())};
        if (seed)
            arguments << "--seed-demo";
        auto server = std::make_unique<ServerProcess>(db.filePath(QStringLiteral("server.log")), arguments);
        EXPECT_TRUE(server->ready());
        return server;
    }

    TestDatabase db{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Backends, ServerDurabilityTest, kBackends, backendName);

QString text(int client, int batch, const char *part)
{
    return QStringLiteral("Client %1 save %2 %3").arg(client).arg(batch).arg(QLatin1String(part));
}

} // namespace

TEST_P(ServerDurabilityTest, KilledWhileSavingKeepsEveryReportedSaveWholeAndNumberedOnce)
{
    ASSERT_TRUE(db.ready());
    // Two processes on one database, as behind a load balancer, two clients on each.
    std::unique_ptr<ServerProcess> servers[] = {start(true), start()};
    ASSERT_TRUE(servers[0]->ready() && servers[1]->ready());
    ASSERT_EQ(loadComments(servers[1]->port(), 1001).size(), 4u);

    // Each batch of client c adds two comments and changes comment c + 1, until its server is gone.
    constexpr int kClients = 4;
    std::atomic<int> reported[kClients] = {};
    std::string failures[kClients];
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c, port = servers[c % 2]->port()] {
            auto client = clientFor(port);
            for (int i = 0; i < 1000; ++i) {
                const std::string body =
                    formBody({listRow(1001, text(c, i, "first"), QStringLiteral("N")),
                              listRow(1001, text(c, i, "second"), QStringLiteral("N")),
                              listRow(1001, text(c, i, "changed"), QStringLiteral("%1U").arg(c + 1))},
                             1001);
                const auto res = client->Post("/MemberComment.asp", body, kSaveHeader);
                if (!res || res->body != "Saved 2 new and 1 changed comment(s).") {
                    failures[c] = res ? std::to_string(res->status) + " " + res->body : ""; // no reply: killed
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
        saving =
            std::all_of(std::begin(reported), std::end(reported), [](const std::atomic<int> &n) { return n >= 3; });
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
        EXPECT_EQ(failures[c], "") << c;
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
    EXPECT_EQ(comments.size(), 4 + added);
    EXPECT_EQ(comments.rbegin()->first, int(comments.size()));

    const auto res =
        clientFor(again->port())
            ->Post("/MemberComment.asp", formBody({listRow(1001, QStringLiteral("After"), QStringLiteral("N"))}, 1001),
                   kSaveHeader);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "Saved 1 new and 0 changed comment(s).");
    const std::map<int, QString> after = loadComments(again->port(), 1001);
    ASSERT_EQ(after.size(), comments.size() + 1);
    EXPECT_EQ(after.rbegin()->first, int(after.size()));
    EXPECT_EQ(after.rbegin()->second, QStringLiteral("After"));
}
