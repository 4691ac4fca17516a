// The one HTTP path against a loopback server: what a POST sends, which responses end it with an
// error, the charset its Content-Type names, and that the end is reported before isRunning turns
// false. (The GET of a load is tested through fetchLoadReply.)
#include "platform/http.h"
#include "support/loopbackserver.h"

#include <QPointer>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using VynMemberComment::Platform::HttpResult;
using VynMemberComment::Platform::HttpTransfer;

namespace {

constexpr const char *kFormType = "application/x-www-form-urlencoded";

class HttpTest : public ::testing::Test
{
protected:
    // Starts a POST and waits (bounded) for its end; returns the results reported.
    std::vector<HttpResult> post(const QString &url, const QByteArray &body = "SQL=x")
    {
        std::vector<HttpResult> results;
        auto connection =
            QObject::connect(&transfer, &HttpTransfer::finished, [&](const HttpResult &r) { results.push_back(r); });
        EXPECT_TRUE(transfer.post(QUrl(url), body, kFormType));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !transfer.isRunning(); }, 20000));
        QObject::disconnect(connection);
        return results;
    }

    QString page() const { return server.baseUrl() + QLatin1String("/MemberComment.asp"); }

    LoopbackServer server;
    HttpTransfer transfer;
};

} // namespace

TEST_F(HttpTest, PostSendsBodyAndHeader)
{
    server.reply(200, "ok");
    const std::vector<HttpResult> results = post(page(), "SQL=a+b%3D");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].error.isEmpty());
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/MemberComment.asp");
    EXPECT_EQ(requests[0].body, "SQL=a+b%3D");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(results[0].body, "ok");
}

TEST_F(HttpTest, AnyHttpResponseCompletesWithItsBody)
{
    for (int status : {200, 201, 404, 500, 503}) {
        server.reply(status, "said " + std::to_string(status));
        const std::vector<HttpResult> results = post(page());
        ASSERT_EQ(results.size(), 1u) << status;
        EXPECT_TRUE(results[0].error.isEmpty()) << status << results[0].error.toStdString();
        EXPECT_EQ(results[0].status, status);
        EXPECT_EQ(results[0].body, QByteArray::fromStdString("said " + std::to_string(status))) << status;
    }
}

TEST_F(HttpTest, TransportFailureIsAnError)
{
    std::vector<HttpResult> results = post(LoopbackServer::closedBaseUrl() + QLatin1String("/MemberComment.asp"));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].error.isEmpty());
    EXPECT_EQ(results[0].body, QByteArray());
    // no server name: the URL has no host
    results = post(QStringLiteral("/MemberComment.asp"));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].error.isEmpty());
}

TEST_F(HttpTest, ContentTypeNamesTheCharset)
{
    struct Case {
        const char *contentType;
        QByteArray charset;
    } cases[] = {
        {"text/plain", ""},
        {"text/plain; charset=windows-1252", "windows-1252"},
        {"text/html; charset=\"ISO-8859-1\"", "iso-8859-1"},
    };
    for (const Case &c : cases) {
        server.reply(200, "\x80\x93", c.contentType);
        const std::vector<HttpResult> results = post(page());
        ASSERT_EQ(results.size(), 1u) << c.contentType;
        EXPECT_EQ(results[0].charset, c.charset) << c.contentType;
        EXPECT_EQ(results[0].body, "\x80\x93") << c.contentType;
    }
}

TEST_F(HttpTest, RunningUntilTheEndHasBeenHandled)
{
    server.reply(200, "done");
    bool runningInHandler = false;
    QByteArray readInHandler;
    QObject::connect(&transfer, &HttpTransfer::finished, [&](const HttpResult &r) {
        runningInHandler = transfer.isRunning();
        readInHandler = r.body;
        // a second request while the first is being handled is refused
        EXPECT_FALSE(transfer.post(QUrl(page()), "SQL=y", kFormType));
    });
    post(page());
    EXPECT_TRUE(runningInHandler);
    EXPECT_EQ(readInHandler, "done");
    EXPECT_FALSE(transfer.isRunning());
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpTest, PostWhileRunningSendsNothing)
{
    server.reply(200, "first");
    QByteArray body;
    QObject::connect(&transfer, &HttpTransfer::finished, [&](const HttpResult &r) { body = r.body; });
    ASSERT_TRUE(transfer.post(QUrl(page()), "SQL=1", kFormType));
    EXPECT_TRUE(transfer.isRunning());
    EXPECT_FALSE(transfer.post(QUrl(page()), "SQL=2", kFormType));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !transfer.isRunning(); }, 20000));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].body, "SQL=1");
    EXPECT_EQ(body, "first");
    // free again afterwards
    post(page(), "SQL=3");
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(HttpTest, ReleasedWhileHandlingTheEnd)
{
    server.reply(200, "bye");
    QPointer<HttpTransfer> owned = new HttpTransfer;
    QObject::connect(owned, &HttpTransfer::finished, [&](const HttpResult &) { delete owned.data(); });
    ASSERT_TRUE(owned->post(QUrl(page()), "SQL=1", kFormType));
    EXPECT_TRUE(QTest::qWaitFor([&] { return owned.isNull(); }, 20000));
    // let any deferred deletion run
    QTest::qWait(50);
}
