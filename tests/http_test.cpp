// The one HTTP path against a loopback server: any response ends a POST with its status, body and
// the charset its Content-Type names; a second request while one runs is refused; the end is
// reported before isRunning turns false. (What the control posts is tested through ReadData.)
#include "platform/http.h"
#include "support/controlfixture.h"

#include <QUrl>

using VynMemberComment::Platform::HttpResult;
using VynMemberComment::Platform::HttpTransfer;

namespace {

constexpr const char *kFormType = "application/x-www-form-urlencoded";

class HttpTest : public ::testing::Test
{
protected:
    // Starts a POST and waits (bounded) for its end; returns the results reported.
    std::vector<HttpResult> post(const QByteArray &body = "SQL=x")
    {
        std::vector<HttpResult> results;
        auto connection =
            QObject::connect(&transfer, &HttpTransfer::finished, [&](const HttpResult &r) { results.push_back(r); });
        EXPECT_TRUE(transfer.post(QUrl(page()), body, kFormType));
        EXPECT_TRUE(waitFor([&] { return !transfer.isRunning(); }));
        QObject::disconnect(connection);
        return results;
    }
    QString page() const { return server.baseUrl() + QLatin1String("/MemberComment.asp"); }

    LoopbackServer server;
    HttpTransfer transfer;
};

} // namespace

TEST_F(HttpTest, AnyHttpResponseCompletesWithItsBodyAndCharset)
{
    struct Case {
        int status;
        const char *contentType;
        QByteArray charset;
    } cases[] = {
        {200, "text/plain", ""},
        {201, "text/plain; charset=windows-1252", "windows-1252"},
        {404, "text/html; charset=\"ISO-8859-1\"", "iso-8859-1"},
        {500, "text/plain", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.status);
        const std::string body = "said \x80\x93 " + std::to_string(c.status);
        server.reply(c.status, body, c.contentType);
        const std::vector<HttpResult> results = post();
        ASSERT_EQ(results.size(), 1u);
        EXPECT_TRUE(results[0].error.isEmpty()) << results[0].error.toStdString();
        EXPECT_EQ(results[0].status, c.status);
        EXPECT_EQ(results[0].body, QByteArray::fromStdString(body));
        EXPECT_EQ(results[0].charset, c.charset);
    }
}

TEST_F(HttpTest, RunningUntilTheEndHasBeenHandledAndRefusingASecondPost)
{
    server.reply(200, "done");
    bool runningInHandler = false;
    bool secondRefused = false;
    QObject::connect(&transfer, &HttpTransfer::finished, [&](const HttpResult &) {
        runningInHandler = transfer.isRunning();
        secondRefused = !transfer.post(QUrl(page()), "SQL=y", kFormType);
    });
    ASSERT_TRUE(transfer.post(QUrl(page()), "SQL=1", kFormType));
    EXPECT_TRUE(transfer.isRunning());
    EXPECT_FALSE(transfer.post(QUrl(page()), "SQL=2", kFormType));
    ASSERT_TRUE(waitFor([&] { return !transfer.isRunning(); }));
    EXPECT_TRUE(runningInHandler);
    EXPECT_TRUE(secondRefused);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].body, "SQL=1");
    // free again afterwards
    QObject::disconnect(&transfer, &HttpTransfer::finished, nullptr, nullptr);
    ASSERT_EQ(post("SQL=3").size(), 1u);
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(HttpTest, ReleasedWhileHandlingTheEnd)
{
    server.reply(200, "bye");
    QPointer<HttpTransfer> owned = new HttpTransfer;
    QObject::connect(owned, &HttpTransfer::finished, [&](const HttpResult &) { delete owned.data(); });
    ASSERT_TRUE(owned->post(QUrl(page()), "SQL=1", kFormType));
    EXPECT_TRUE(waitFor([&] { return owned.isNull(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // nothing of it may be left to run
}
