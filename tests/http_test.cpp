// The one HTTP path against a loopback server: a second request while one runs is refused, and the
// end is reported before isRunning turns false. (What the control posts, and how any status, body
// and charset come back, is tested through ReadData.)
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
    QString page() const { return server.baseUrl() + QLatin1String("/MemberComment.asp"); }

    LoopbackServer server;
    HttpTransfer transfer;
};

} // namespace

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
    ASSERT_TRUE(transfer.post(QUrl(page()), "SQL=3", kFormType));
    ASSERT_TRUE(waitFor([&] { return !transfer.isRunning(); }));
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
