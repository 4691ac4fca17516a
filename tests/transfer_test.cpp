// The save transfer against a loopback server: what is sent, which state ends it, how the reply
// reads in chunks, and that the end is reported before StillExecuting turns false.
#include "platform/transfer.h"
#include "support/loopbackserver.h"

#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using VynMemberComment::Platform::Transfer;

namespace {

constexpr const char *kFormHeader = "Content-Type: application/x-www-form-urlencoded";

class TransferTest : public ::testing::Test
{
protected:
    // Starts a POST and waits (bounded) for its end; returns the states reported.
    std::vector<int> post(const QString &url, const QByteArray &body = "SQL=x")
    {
        std::vector<int> states;
        auto connection = QObject::connect(&transfer, &Transfer::StateChanged, [&](int s) { states.push_back(s); });
        EXPECT_TRUE(transfer.Execute(url, QStringLiteral("Post"), body, QLatin1String(kFormHeader)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !transfer.StillExecuting(); }, 20000));
        QObject::disconnect(connection);
        return states;
    }

    QStringList chunks(int size = 1024)
    {
        QStringList pieces;
        for (QString piece = transfer.GetChunk(size, 0); !piece.isEmpty(); piece = transfer.GetChunk(size, 0))
            pieces << piece;
        return pieces;
    }

    QString page() const { return server.baseUrl() + QLatin1String("/MemberComment.asp"); }

    LoopbackServer server;
    Transfer transfer;
};

} // namespace

TEST_F(TransferTest, PostSendsBodyAndHeader)
{
    server.reply(200, "ok");
    EXPECT_EQ(post(page(), "SQL=a+b%3D"), std::vector<int>{Transfer::icResponseCompleted});
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/MemberComment.asp");
    EXPECT_EQ(requests[0].body, "SQL=a+b%3D");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(chunks(), QStringList{"ok"});
}

TEST_F(TransferTest, AnyHttpResponseCompletesWithItsBody)
{
    for (int status : {200, 201, 404, 500, 503}) {
        server.reply(status, "said " + std::to_string(status));
        EXPECT_EQ(post(page()), std::vector<int>{Transfer::icResponseCompleted}) << status;
        EXPECT_EQ(chunks(), QStringList{QStringLiteral("said %1").arg(status)}) << status;
    }
}

TEST_F(TransferTest, TransportFailureIsAnError)
{
    EXPECT_EQ(post(LoopbackServer::closedBaseUrl() + QLatin1String("/MemberComment.asp")),
              std::vector<int>{Transfer::icError});
    EXPECT_EQ(transfer.GetChunk(1024, 0), QString());
    // no server name: the URL has no host
    EXPECT_EQ(post(QStringLiteral("/MemberComment.asp")), std::vector<int>{Transfer::icError});
}

TEST_F(TransferTest, ChunksSplitBytesButNotCharacters)
{
    struct Case {
        const char *name;
        std::string body;
        const char *contentType;
        QStringList expected;
    } cases[] = {
        {"empty", "", "text/plain", {}},
        {"one byte", "x", "text/plain", {"x"}},
        {"exactly 1024", std::string(1024, 'a'), "text/plain", {QString(1024, QLatin1Char('a'))}},
        {"1025", std::string(1025, 'a'), "text/plain", {QString(1024, QLatin1Char('a')), "a"}},
        {"5000", std::string(5000, 'b'), "text/plain",
         {QString(1024, QLatin1Char('b')), QString(1024, QLatin1Char('b')), QString(1024, QLatin1Char('b')), QString(1024, QLatin1Char('b')), QString(904, QLatin1Char('b'))}},
        // a two-byte character across the boundary arrives whole in the second chunk
        {"utf-8 by default", std::string(1023, 'a') + "\xC3\xA9z", "text/plain",
         {QString(1023, QLatin1Char('a')), QStringLiteral("\u00e9z")}},
        {"windows-1252", "\x80\x93", "text/plain; charset=windows-1252", {QStringLiteral("\u20ac\u201c")}},
        {"quoted iso-8859-1", "\xE9", "text/html; charset=\"ISO-8859-1\"", {QStringLiteral("\u00e9")}},
    };
    for (const Case &c : cases) {
        server.reply(200, c.body, c.contentType);
        post(page());
        EXPECT_EQ(chunks(), c.expected) << c.name;
        EXPECT_EQ(transfer.GetChunk(1024, 0), QString()) << c.name;
    }
}

TEST_F(TransferTest, StillExecutingUntilTheEndHasBeenHandled)
{
    server.reply(200, "done");
    bool runningInHandler = false;
    QString readInHandler;
    QObject::connect(&transfer, &Transfer::StateChanged, [&](int) {
        runningInHandler = transfer.StillExecuting();
        readInHandler = transfer.GetChunk(1024, 0);
        // a second request while the first is being handled is refused
        EXPECT_FALSE(transfer.Execute(page(), QStringLiteral("Post"), "SQL=y", QLatin1String(kFormHeader)));
    });
    post(page());
    EXPECT_TRUE(runningInHandler);
    EXPECT_EQ(readInHandler, QStringLiteral("done"));
    EXPECT_FALSE(transfer.StillExecuting());
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(TransferTest, ExecuteWhileRunningSendsNothing)
{
    server.reply(200, "first");
    ASSERT_TRUE(transfer.Execute(page(), QStringLiteral("Post"), "SQL=1", QLatin1String(kFormHeader)));
    EXPECT_TRUE(transfer.StillExecuting());
    EXPECT_FALSE(transfer.Execute(page(), QStringLiteral("Post"), "SQL=2", QLatin1String(kFormHeader)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !transfer.StillExecuting(); }, 20000));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].body, "SQL=1");
    EXPECT_EQ(chunks(), QStringList{"first"});
    // free again afterwards
    post(page(), "SQL=3");
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(TransferTest, ReleasedWhileHandlingTheEnd)
{
    server.reply(200, "bye");
    QPointer<Transfer> owned = new Transfer;
    QObject::connect(owned, &Transfer::StateChanged, [&](int) { delete owned.data(); });
    ASSERT_TRUE(owned->Execute(page(), QStringLiteral("Post"), "SQL=1", QLatin1String(kFormHeader)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return owned.isNull(); }, 20000));
    // let any deferred deletion run
    QTest::qWait(50);
}
