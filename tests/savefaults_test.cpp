// ReadData's exchange with servers good and bad: the reply shown as the server wrote it, and no
// answer, a reply cut by a reset, a stall, a bomb or a redirect elsewhere, after which the rows and
// their markers are as they were and saving again works.
#include "platform/http.h"
#include "support/controlfixture.h"
#include "support/rawserver.h"

#include <mutex>

using namespace std::chrono_literals;

namespace {

constexpr const char *kSaved = "Saved 1 new and 1 changed comment(s).";

class SaveFaultsTest : public ControlFixture
{
protected:
    void SetUp() override
    {
        addRows(
            {newRow(), commentRow({{Column::CommentSequence, "7U"}}), commentRow({{Column::CommentSequence, "6"}})});
        before = rows();
    }
    void TearDown() override
    {
        Platform::HttpTransfer::setTimeoutMilliseconds(Platform::kNoProgressMilliseconds);
        qunsetenv("VYNMEMBERCOMMENT_MAX_REPLY_MIB");
    }

    // Saves to base; a short timeout and deadline let a stalled or trickling save give up soon.
    std::vector<SeenBox> saveTo(const QString &base, int timeoutMs = Platform::kNoProgressMilliseconds,
                                int deadlineMs = Platform::kDeadlineMilliseconds)
    {
        Platform::HttpTransfer::setTimeoutMilliseconds(timeoutMs, deadlineMs);
        d()->mtServerName = base;
        return save();
    }
    static void expectFailureBox(const std::vector<SeenBox> &boxes)
    {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, QStringLiteral("Error During saving to Database"));
        EXPECT_EQ(boxes[0].title, QStringLiteral("VynMemberComment"));
        EXPECT_EQ(boxes[0].icon, QMessageBox::NoIcon);
        EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
    }

    // The rows are untouched, the pointer is normal, and a save to a working server sends the
    // same form body once more and shows its reply.
    void expectIntactAndSavable(const std::string &firstBody)
    {
        EXPECT_EQ(rows(), before);
        EXPECT_FALSE(d()->Inet1->isRunning());
        server.reply(200, kSaved);
        const size_t sent = server.requests().size();
        const std::vector<SeenBox> boxes = saveTo(server.baseUrl());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, QLatin1String(kSaved));
        ASSERT_EQ(server.requests().size(), sent + 1);
        EXPECT_EQ(server.requests().back().body, firstBody);
        EXPECT_EQ(rows(), before);
    }

    std::vector<QStringList> before;
};

std::string okHeaders(size_t contentLength)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(contentLength)
        + "\r\n\r\n";
}

} // namespace

TEST_F(SaveFaultsTest, TransportFailuresShowTheSavingErrorAndKeepTheRows)
{
    const std::string reply = kSaved;
    // a deflate stream whose first block has the reserved type, and a bomb that Qt stops reading
    // once it has grown past the limit (what comes later was once passed on raw)
    const std::string corrupt = "\x78\x9c\x07" + std::string(100, 'z');
    const std::string bomb = qCompress(QByteArray(64 * 1024 * 1024, ' '), 9).mid(4).toStdString();
    auto deflateHeaders = [](size_t length) {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Encoding: deflate\r\nContent-Length: "
            + std::to_string(length) + "\r\n\r\n";
    };
    qputenv("VYNMEMBERCOMMENT_MAX_REPLY_MIB", "1");
    struct Case {
        const char *name;
        std::function<void(RawConnection &)> answer; // after the request has been read
    } cases[] = {
        {"no answer", [](RawConnection &c) { c.stall(); }},
        {"closed before any reply", [](RawConnection &) {}},
        {"reset before any reply", [](RawConnection &c) { c.reset(); }},
        // a cut reply is no reply: the part that came must not be shown as the server's answer
        {"reset mid-reply",
         [&](RawConnection &c) {
             c.send(okHeaders(reply.size()) + reply.substr(0, 9));
             c.pause(50ms);
             c.reset();
         }},
        {"closed mid-reply", [&](RawConnection &c) { c.send(okHeaders(reply.size()) + reply.substr(0, 9)); }},
        {"trickle then stall",
         [&](RawConnection &c) {
             c.send(okHeaders(reply.size()));
             for (size_t i = 0; i < 4 && c.send(reply.substr(i, 1)); ++i)
                 c.pause(50ms);
             c.stall();
         }},
        {"trickle past the deadline",
         [&](RawConnection &c) {
             c.send(okHeaders(reply.size()));
             for (size_t i = 0; i < reply.size() && c.send(reply.substr(i, 1)) && c.pause(100ms); ++i) {}
         }},
        // what arrived cannot be read as the server's answer
        {"body that cannot be decompressed",
         [&](RawConnection &c) { c.send(deflateHeaders(corrupt.size()) + corrupt); }},
        {"decompression bomb",
         [&](RawConnection &c) {
             c.send(deflateHeaders(bomb.size()) + bomb.substr(0, bomb.size() / 2));
             c.pause(50ms);
             c.send(bomb.substr(bomb.size() / 2));
         }},
        {"longer than the limit",
         [&](RawConnection &c) { c.send(okHeaders(1024 * 1024 + 1) + std::string(1024 * 1024 + 1, 'x')); }},
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
        const std::vector<SeenBox> boxes = saveTo(raw.baseUrl(), 400, 1500);
        expectFailureBox(boxes);
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

TEST_F(SaveFaultsTest, ReplyIsShownAsTheServerWroteItUnlessBlank)
{
    struct Case {
        const char *name;
        int status;
        std::string body;
        std::optional<QString> shown;
        const char *contentType = "text/plain";
    } cases[] = {
        {"empty", 200, "", std::nullopt},
        {"spaces only", 200, "     ", std::nullopt},
        {"one byte", 200, "x", QStringLiteral("x")},
        {"5000 bytes", 200, std::string(5000, 'c'), QString(5000, QLatin1Char('c'))},
        {"line break only", 200, "\r\n", QStringLiteral("\r\n")},
        {"tab only", 200, "\t", QStringLiteral("\t")},
        {"untrimmed", 200, "  Saved 2 comments  ", QStringLiteral("  Saved 2 comments  ")},
        {"server error", 500, "Statement failed", QStringLiteral("Statement failed")},
        // read a kilobyte at a time: a character across the boundary arrives whole
        {"utf-8 by default", 200, std::string(1023, 'a') + "\xC3\xA9z",
         QString(1023, QLatin1Char('a')) + QStringLiteral("\u00e9z")},
        {"windows-1252", 200, "\x80\x93", QStringLiteral("\u20ac\u201c"), "text/plain; charset=windows-1252"},
        {"quoted iso-8859-1", 200, "\xE9", QStringLiteral("\u00e9"), "text/html; charset=\"ISO-8859-1\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        server.reply(c.status, c.body, c.contentType);
        const std::vector<SeenBox> boxes = save();
        if (!c.shown) {
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, *c.shown);
        EXPECT_EQ(boxes[0].title, QStringLiteral("Membership Messaging"));
        EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
        EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
    }
    EXPECT_EQ(rows(), before);

    // the box shows the start of a huge reply: laying out megabytes of text froze the window for minutes
    server.reply(200, "Saved. " + std::string(10 * 1024 * 1024, 'x'));
    const std::vector<SeenBox> boxes = save();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QLatin1String("Saved. xxx")));
    EXPECT_TRUE(boxes[0].text.endsWith(QChar(0x2026)));
    EXPECT_LT(boxes[0].text.size(), 100 * 1024);
    expectIntactAndSavable(server.requests().front().body);

    // no server name: nothing to post to
    expectFailureBox(saveTo(QString()));
    EXPECT_EQ(rows(), before);
}

TEST_F(SaveFaultsTest, RedirectsAreFollowedOnlyToTheSameSchemeHostAndPort)
{
    LoopbackServer elsewhere;
    elsewhere.reply(200, "Saved elsewhere");
    const std::string port = std::to_string(server.port());
    struct Case {
        const char *name;
        std::string location;
        bool followed;
        int status = 307;
    } cases[] = {
        {"another path", "/moved/MemberComment.asp", true},
        {"the same address written whole", "http://127.0.0.1:" + port + "/moved/MemberComment.asp", true, 308},
        {"see other: the answer is fetched", "/moved/MemberComment.asp", true, 303},
        {"another port", elsewhere.baseUrl().toStdString() + "/MemberComment.asp", false},
        {"another host name for the same address", "http://localhost:" + port + "/moved/MemberComment.asp", false},
        {"another scheme", "https://127.0.0.1:" + port + "/moved/MemberComment.asp", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        server.setHandler([&](const httplib::Request &req, httplib::Response &res) {
            if (req.path == "/MemberComment.asp") {
                res.status = c.status;
                res.set_header("Location", c.location);
            } else {
                res.set_content(kSaved, "text/plain");
            }
        });
        const size_t sent = server.requests().size();
        const std::vector<SeenBox> boxes = saveTo(server.baseUrl(), 5000);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.followed ? QLatin1String(kSaved) : QLatin1String("Error During saving to Database"));
        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), sent + (c.followed ? 2 : 1));
        if (c.followed && c.status != 303)
            EXPECT_EQ(requests.back().body, requests[sent].body); // the whole batch, posted again
        if (c.followed && c.status == 303)
            EXPECT_EQ(requests.back().method, "GET");
        EXPECT_TRUE(elsewhere.requests().empty());
        EXPECT_EQ(rows(), before);
    }
}
