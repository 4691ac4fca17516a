// The membercomment-server executable as a separate process: what it reported as saved survives a
// SIGKILL, concurrent saves lose nothing, and oversized or broken requests are refused clearly.
#include "exchange/loadreply.h"
#include "exchange/savebatch.h"
#include "exchange/urlencode.h"
#include "platform/xmldocument.h"
#include "support/rawclient.h"
#include "support/serverclient.h"
#include "support/serverprocess.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <thread>

using namespace VynMemberComment;

namespace {

constexpr const char *kSaveHeader = "application/x-www-form-urlencoded";

// A row of the list as the editor leaves it: new ("N") or changed ("<sequence>U").
CommentRow listRow(qint32 member, const QString &text, const QString &sequence, int group = 2, int type = 5)
{
    CommentRow row(text);
    for (const QString &cell : {QString::number(member), sequence, QString::number(group), QStringLiteral("Group"),
                                QString::number(type), QStringLiteral("Type"), QStringLiteral("8/5/2010 03:04PM"),
                                QStringLiteral("Demo Clerk"), QStringLiteral("1"), QStringLiteral("0"),
                                QStringLiteral("0"), QStringLiteral("Aug 05 2010 03:04PM"), QStringLiteral("1")})
        row.appendCell(cell);
    return row;
}

// The form body the control posts for these rows.
std::string formBody(const std::vector<CommentRow> &rows, qint32 member)
{
    const StatementBatch batch = buildStatementBatch(rows, member);
    EXPECT_FALSE(batch.error.has_value());
    return "SQL=" + urlEncode(batch.text, 1252).toStdString();
}

// Loads a member's comments through the control's own reply readers: sequence number to text.
std::map<int, QString> loadComments(int port, qint32 member)
{
    const auto res = clientFor(port)->Get(("/MemberComment.asp?Type=1&PersonID=7&MemberID=" + std::to_string(member)).c_str());
    EXPECT_TRUE(res);
    if (!res)
        return {};
    EXPECT_EQ(res->status, 200);
    Platform::XmlDocument doc;
    EXPECT_TRUE(doc.loadBytes(QByteArray::fromStdString(res->body))) << doc.errorText().toStdString();
    CommentReadResult read = readComments(doc, Column::Count);
    EXPECT_FALSE(read.error.has_value());
    std::map<int, QString> comments;
    for (const CommentRow &row : read.rows) {
        const int sequence = row.cell(Column::CommentSequence).toInt();
        EXPECT_TRUE(comments.emplace(sequence, row.cell(Column::Description).toString()).second) << sequence;
    }
    return comments;
}

class ServerDurabilityTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<ServerProcess> start(bool seed = false)
    {
        QStringList arguments{"--db", dir.filePath(QStringLiteral("comments.db"))};
        if (seed)
            arguments << "--seed-demo";
        auto server = std::make_unique<ServerProcess>(dir.filePath(QStringLiteral("server.log")), arguments);
        EXPECT_TRUE(server->ready());
        return server;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(ServerDurabilityTest, SavedCommentsSurviveSigkill)
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
         std::pair{2, QStringLiteral("Edited before the kill")}, "Saved 2 new and 1 changed comment(s)."},
        {{QStringLiteral("Second round")}, std::nullopt, "Saved 1 new and 0 changed comment(s)."},
        {{QStringLiteral("Third a"), QStringLiteral("Third b"), QStringLiteral("Third c")},
         std::pair{5, QStringLiteral("Changed after a restart")}, "Saved 3 new and 1 changed comment(s)."},
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

TEST_F(ServerDurabilityTest, HundredConcurrentSavesGetDistinctSequences)
{
    auto server = start(true);
    ASSERT_TRUE(server->ready());
    const std::map<int, QString> seeded = loadComments(server->port(), 1002);
    constexpr int kClients = 10;
    constexpr int kSavesEach = 10;
    std::vector<std::vector<std::string>> replies(kClients);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c, port = server->port()] {
            auto client = clientFor(port);
            for (int i = 0; i < kSavesEach; ++i) {
                const QString text = QStringLiteral("Client %1 save %2").arg(c).arg(i);
                const auto res = client->Post("/MemberComment.asp", formBody({listRow(1002, text, QStringLiteral("N"))}, 1002),
                                              kSaveHeader);
                replies[size_t(c)].push_back(res ? std::to_string(res->status) + " " + res->body : "no reply");
            }
        });
    }
    for (std::thread &t : clients) // each request is bounded by the client's timeouts
        t.join();

    std::set<std::string> expectedTexts;
    for (int c = 0; c < kClients; ++c) {
        for (int i = 0; i < kSavesEach; ++i) {
            EXPECT_EQ(replies[size_t(c)][size_t(i)], "200 Saved 1 new and 0 changed comment(s).");
            expectedTexts.insert("Client " + std::to_string(c) + " save " + std::to_string(i));
        }
    }
    // every save got its own number, the next ones after the highest before
    const std::map<int, QString> comments = loadComments(server->port(), 1002);
    const int highest = seeded.empty() ? 0 : seeded.rbegin()->first;
    std::set<std::string> texts;
    std::set<int> sequences;
    for (const auto &[sequence, text] : comments) {
        if (seeded.count(sequence)) {
            EXPECT_EQ(text, seeded.at(sequence));
            continue;
        }
        sequences.insert(sequence);
        texts.insert(text.toStdString());
    }
    EXPECT_EQ(texts, expectedTexts);
    ASSERT_EQ(sequences.size(), 100u);
    EXPECT_EQ(*sequences.begin(), highest + 1);
    EXPECT_EQ(*sequences.rbegin(), highest + 100);

    server->killHard();
    server = start();
    ASSERT_TRUE(server->ready());
    EXPECT_EQ(loadComments(server->port(), 1002), comments);
}

TEST_F(ServerDurabilityTest, KilledInTheMiddleOfSavesKeepsEveryReportedSave)
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
                const auto res = client->Post("/MemberComment.asp", formBody({listRow(1002, text, QStringLiteral("N"))}, 1002),
                                              kSaveHeader);
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

TEST_F(ServerDurabilityTest, OversizedAndBrokenRequestsAreRefused)
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
