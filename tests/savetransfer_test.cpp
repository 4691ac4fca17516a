// The save envelope on the real control against a loopback server: the POST it sends, the reply
// boxes, the failure box, and a control released while the save waits.
#include "control/saveexchange.h"
#include "exchange/urlencode.h"
#include "support/controlaccess.h"
#include "support/loopbackserver.h"
#include "support/messageboxes.h"

#include <VynMemberComment/MemberComment.h>

#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <thread>

using namespace VynMemberComment;
using Outcome = SaveExchange::Outcome;

namespace {

class SaveTransferTest : public ::testing::Test
{
protected:
    void SetUp() override { d()->mtServerName = server.baseUrl(); }

    MemberCommentPrivate *d() { return dOf(control); }
    // Posts a batch as the save does: "SQL=" and the batch form-URL-encoded.
    Outcome post(const QString &batch)
    {
        return d()->Inet1->postForm(d()->mtServerName,
                                    "SQL=" + urlEncode(batch, Platform::systemCodePage()).toLatin1());
    }

    LoopbackServer server;
    QPointer<MemberComment> control = new MemberComment;

    void TearDown() override { delete control.data(); }
};

} // namespace

TEST_F(SaveTransferTest, EnvelopePostsTheEncodedBatch)
{
    EXPECT_NE(control->findChild<Platform::HttpTransfer *>(QStringLiteral("Inet1")), nullptr);
    server.reply(200, "");
    MessageBoxes boxes;
    EXPECT_EQ(post(QStringLiteral("UPDATE t SET a='x y' WHERE b=1;\r\n")), Outcome::Done);
    EXPECT_TRUE(boxes.noneShown());
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/MemberComment.asp");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].body, "SQL=UPDATE+t+SET+a%3D%27x+y%27+WHERE+b%3D1%3B%0D%0A");
}

TEST_F(SaveTransferTest, ReplyIsShownWholeUnlessBlank)
{
    struct Case {
        const char *name;
        int status;
        std::string body;
        std::optional<QString> shown;
        const char *contentType = "text/plain";
    } cases[] = {
        {"empty", 200, "", std::nullopt},
        {"one byte", 200, "x", QStringLiteral("x")},
        {"1024 bytes", 200, std::string(1024, 'a'), QString(1024, QLatin1Char('a'))},
        {"1025 bytes", 200, std::string(1025, 'b'), QString(1025, QLatin1Char('b'))},
        {"5000 bytes", 200, std::string(5000, 'c'), QString(5000, QLatin1Char('c'))},
        {"spaces only", 200, "     ", std::nullopt},
        {"line break only", 200, "\r\n", QStringLiteral("\r\n")},
        {"tab only", 200, "\t", QStringLiteral("\t")},
        {"untrimmed", 200, "  Saved 2 comments  ", QStringLiteral("  Saved 2 comments  ")},
        {"utf-8", 200, "Gespeichert \xE2\x80\x93 ok", QStringLiteral("Gespeichert \u2013 ok")},
        {"server error", 500, "Statement failed", QStringLiteral("Statement failed")},
        // read a kilobyte at a time: a character across the boundary arrives whole
        {"utf-8 by default", 200, std::string(1023, 'a') + "\xC3\xA9z",
         QString(1023, QLatin1Char('a')) + QStringLiteral("\u00e9z")},
        {"windows-1252", 200, "\x80\x93", QStringLiteral("\u20ac\u201c"), "text/plain; charset=windows-1252"},
        {"quoted iso-8859-1", 200, "\xE9", QStringLiteral("\u00e9"), "text/html; charset=\"ISO-8859-1\""},
    };
    for (const Case &c : cases) {
        server.reply(c.status, c.body, c.contentType);
        MessageBoxes boxes;
        bool returned = false;
        bool shownBeforeReturn = false;
        boxes.whileShown([&] { shownBeforeReturn = !returned; });
        EXPECT_EQ(post(QStringLiteral("SELECT 1")), Outcome::Done) << c.name;
        returned = true;
        if (!c.shown) {
            EXPECT_TRUE(boxes.noneShown()) << c.name;
            continue;
        }
        ASSERT_EQ(boxes.seen().size(), 1u) << c.name;
        EXPECT_TRUE(shownBeforeReturn) << c.name;
        EXPECT_EQ(boxes.seen()[0].text, *c.shown) << c.name;
        EXPECT_EQ(boxes.seen()[0].title, QStringLiteral("Membership Messaging")) << c.name;
        EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Information) << c.name;
        EXPECT_EQ(boxes.seen()[0].buttons, QMessageBox::Ok) << c.name;
    }
}

TEST_F(SaveTransferTest, TransferFailureShowsTheFixedText)
{
    for (const QString &base : {LoopbackServer::closedBaseUrl(), QString()}) {
        d()->mtServerName = base;
        MessageBoxes boxes;
        EXPECT_EQ(post(QStringLiteral("SELECT 1")), Outcome::Done);
        ASSERT_EQ(boxes.seen().size(), 1u) << base.toStdString();
        EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("Error During saving to Database"));
        EXPECT_EQ(boxes.seen()[0].title, QStringLiteral("VynMemberComment"));
        EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::NoIcon);
        EXPECT_EQ(boxes.seen()[0].buttons, QMessageBox::Ok);
    }
}

TEST_F(SaveTransferTest, BusyTransferStartsNothing)
{
    server.reply(200, "");
    auto *inet = control->findChild<Platform::HttpTransfer *>(QStringLiteral("Inet1"));
    ASSERT_TRUE(inet->post(QUrl(server.baseUrl()), "SQL=1", "application/x-www-form-urlencoded"));
    EXPECT_EQ(post(QStringLiteral("SELECT 2")), Outcome::NotStarted);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !inet->isRunning(); }, 20000));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].body, "SQL=1");
}

TEST_F(SaveTransferTest, ControlReleasedWhileTheSaveWaits)
{
    // released while the reply box is up
    server.reply(200, "Saved");
    {
        MessageBoxes boxes;
        boxes.whileShown([&] { delete control.data(); });
        EXPECT_EQ(post(QStringLiteral("SELECT 1")), Outcome::Released);
        EXPECT_TRUE(control.isNull());
        EXPECT_EQ(boxes.seen().size(), 1u);
    }

    // released before the reply arrives: no box
    control = new MemberComment;
    d()->mtServerName = server.baseUrl();
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        res.set_content("late", "text/plain");
    });
    MessageBoxes boxes;
    QTimer::singleShot(50, [&] { delete control.data(); });
    EXPECT_EQ(post(QStringLiteral("SELECT 1")), Outcome::Released);
    EXPECT_TRUE(control.isNull());
    QTest::qWait(400);
    EXPECT_TRUE(boxes.noneShown());
}
