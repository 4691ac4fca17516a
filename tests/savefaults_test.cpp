// ReadData against servers that misbehave on purpose: no answer, a reply cut by a reset, a huge
// reply. Afterwards the rows and their markers are as they were, and saving again works.
#include "control/commentlistmodel.h"
#include "control/saveexchange.h"
#include "support/controlaccess.h"
#include "support/loopbackserver.h"
#include "support/messageboxes.h"
#include "support/rawserver.h"

#include <VynMemberComment/MemberComment.h>

#include <QTreeView>

#include <gtest/gtest.h>

#include <mutex>

using namespace VynMemberComment;
using namespace std::chrono_literals;

namespace {

constexpr const char *kSaved = "Saved 1 new and 1 changed comment(s).";

class SaveFaultsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        control.Mode(true, 1234);
        std::vector<CommentRow> rows;
        for (const char *sequence : {"N", "7U", "6"}) {
            CommentRow r(QStringLiteral("Comment %1").arg(QLatin1String(sequence)));
            for (const char *cell : {"1234", sequence, "2", "General", "5", "Call", "8/5/2010 03:04PM", "clerk", "1",
                                     "0", "0", "Aug 05 2010 03:04PM", "1"})
                r.appendCell(QString::fromUtf8(cell));
            rows.push_back(std::move(r));
        }
        model()->appendRows(std::move(rows));
        before = cells();
    }
    void TearDown() override { Platform::HttpTransfer::setTimeoutMilliseconds(60 * 1000); }

    CommentListModel *model()
    {
        return qobject_cast<CommentListModel *>(control.findChild<QTreeView *>(QStringLiteral("lstComments"))->model());
    }

    std::vector<QStringList> cells()
    {
        std::vector<QStringList> rows;
        for (int r = 0; r < model()->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < Column::Count; ++c)
                row << model()->cell(r, c);
            rows.push_back(row);
        }
        return rows;
    }

    // Saves to base and returns the boxes shown, each answered with OK. A short timeout lets a
    // stalled save give up soon.
    std::vector<SeenBox> save(const QString &base, int timeoutMs = 60 * 1000)
    {
        Platform::HttpTransfer::setTimeoutMilliseconds(timeoutMs);
        dOf(&control)->mtServerName = base;
        MessageBoxes boxes;
        EXPECT_TRUE(control.ReadData().isEmpty());
        return boxes.seen();
    }

    // The rows are untouched, the pointer is normal, and a save to a working server sends the
    // same form body once more and shows its reply.
    void expectIntactAndSavable(const std::string &firstBody)
    {
        EXPECT_EQ(cells(), before);
        EXPECT_FALSE(control.testAttribute(Qt::WA_SetCursor));
        EXPECT_FALSE(dOf(&control)->Inet1->isRunning());
        server.reply(200, kSaved);
        const size_t sent = server.requests().size();
        const std::vector<SeenBox> boxes = save(server.baseUrl());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, QStringLiteral("Membership Messaging"));
        EXPECT_EQ(boxes[0].text, QLatin1String(kSaved));
        ASSERT_EQ(server.requests().size(), sent + 1);
        EXPECT_EQ(server.requests().back().body, firstBody);
        EXPECT_EQ(cells(), before);
    }

    LoopbackServer server;
    // Placed on a host window as a host does: a top-level widget keeps WA_SetCursor after unsetCursor.
    QWidget host;
    MemberComment &control = *new MemberComment(&host);
    std::vector<QStringList> before;
};

std::string okHeaders(size_t contentLength)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(contentLength) + "\r\n\r\n";
}

} // namespace

TEST_F(SaveFaultsTest, TransportFailuresShowTheSavingErrorAndKeepTheRows)
{
    const std::string reply = kSaved;
    struct Case {
        const char *name;
        std::function<void(RawConnection &)> answer; // after the request has been read
    } cases[] = {
        {"no answer", [](RawConnection &c) { c.stall(); }},
        {"closed before any reply", [](RawConnection &) {}},
        {"reset before any reply", [](RawConnection &c) { c.reset(); }},
        // a cut reply is no reply: the part that came must not be shown as the server's answer
        {"reset mid-reply", [&](RawConnection &c) {
             c.send(okHeaders(reply.size()) + reply.substr(0, 9));
             c.pause(50ms);
             c.reset();
         }},
        {"closed mid-reply", [&](RawConnection &c) { c.send(okHeaders(reply.size()) + reply.substr(0, 9)); }},
        {"trickle then stall", [&](RawConnection &c) {
             c.send(okHeaders(reply.size()));
             for (size_t i = 0; i < 4 && c.send(reply.substr(i, 1)); ++i)
                 c.pause(50ms);
             c.stall();
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::mutex mutex;
        std::string request;
        RawServer raw([&](RawConnection &connection) {
            const std::string got = connection.readRequest();
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (request.empty())
                    request = got;
            }
            c.answer(connection);
        });
        const std::vector<SeenBox> boxes = save(raw.baseUrl(), 400);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, QStringLiteral("Error During saving to Database"));
        // Qt sends the request once more when a connection ends before it has read any reply
        EXPECT_GE(raw.accepted(), 1);
        EXPECT_LE(raw.accepted(), 2);
        std::string body;
        {
            std::lock_guard<std::mutex> lock(mutex);
            const size_t end = request.find("\r\n\r\n");
            ASSERT_NE(end, std::string::npos);
            body = request.substr(end + 4);
        }
        EXPECT_EQ(body.rfind("SQL=Declare+%40MaxID", 0), 0u);
        expectIntactAndSavable(body);
    }
}

TEST_F(SaveFaultsTest, TenMegabyteReplyIsShownShortened)
{
    // the box shows the start of the reply: laying out megabytes of text froze the window for minutes
    const std::string reply = "Saved. " + std::string(10 * 1024 * 1024, 'x');
    server.reply(200, reply);
    const std::vector<SeenBox> boxes = save(server.baseUrl());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Membership Messaging"));
    EXPECT_TRUE(boxes[0].text.startsWith(QLatin1String("Saved. xxx")));
    EXPECT_TRUE(boxes[0].text.endsWith(QChar(0x2026)));
    EXPECT_LT(boxes[0].text.size(), 100 * 1024);
    expectIntactAndSavable(server.requests().front().body);
}
