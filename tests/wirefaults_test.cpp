// LoadData and ReadData against servers that misbehave on purpose: cut, reset, stalled, trickling,
// oversized and hostile replies, and redirects elsewhere. A load ends in the error box or a correct
// list with the pointer restored; a save in its failure box with the rows and markers as they were.
#include "platform/http.h"
#include "support/controlfixture.h"
#include "support/rawserver.h"

using namespace std::chrono_literals;

namespace {

constexpr const char *kLimitVariable = "VYNMEMBERCOMMENT_MAX_REPLY_MIB";
constexpr qsizetype kMiB = 1024 * 1024;
constexpr const char *kSaved = "Saved 1 new and 1 changed comment(s).";
constexpr const char *kChunked = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n";

// A body with "Content-Encoding: deflate": zlib's format, which is qCompress's after its length.
std::string deflated(const QByteArray &bytes)
{
    return qCompress(bytes, 9).mid(4).toStdString();
}

std::string headers(qsizetype contentLength, const char *extra = "")
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(contentLength) + "\r\n"
        + extra + "\r\n";
}

// A load reply whose comments have these descriptions, put in as raw bytes, numbered from 0.
LoadReply rawTexts(const std::vector<QByteArray> &texts, const QByteArray &user = "Ann Lee")
{
    LoadReply reply;
    reply.user = user;
    for (const QByteArray &text : texts) {
        reply.add(commentRow({{Column::CommentSequence, QString::number(reply.comments.size())}}));
        reply.comments.back()[Column::Description] = text;
    }
    return reply;
}

class WireFaultsTest : public ControlFixture
{
protected:
    void TearDown() override
    {
        Platform::HttpTransfer::setTimeoutMilliseconds(Platform::kNoProgressMilliseconds);
        qunsetenv(kLimitVariable);
    }

    // The one box shown was the load's error box with this number; its description is returned.
    static QString expectErrorBox(const std::vector<SeenBox> &boxes, int number)
    {
        EXPECT_EQ(boxes.size(), 1u);
        if (boxes.size() != 1)
            return {};
        EXPECT_EQ(boxes[0].title, QStringLiteral("ERROR"));
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        const QStringList lines = boxes[0].text.split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.value(0), QStringLiteral("ErrorNumber=%1").arg(number)) << boxes[0].text.toStdString();
        return lines.value(1);
    }

    // Pending rows to save: one new, one changed, one loaded.
    void addPendingRows()
    {
        addRows(
            {newRow(), commentRow({{Column::CommentSequence, "7U"}}), commentRow({{Column::CommentSequence, "6"}})});
        before = rows();
    }
    // Saves to base; a short timeout and deadline let a stalled or trickling save give up soon.
    std::vector<SeenBox> saveTo(const QString &base, int timeoutMs = 400, int deadlineMs = 1500)
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

    std::vector<QStringList> before;
};

} // namespace

TEST_F(WireFaultsTest, BrokenLoadsShowTheErrorBox)
{
    const QByteArray full = rawTexts({"one", "two"}).xml();
    const std::string half = full.left(full.size() / 2).toStdString();
    const std::string bomb = deflated(QByteArray(64 * kMiB, ' '));
    qputenv(kLimitVariable, "1"); // replies of at most 1 MiB
    // Answers the load's GET with a redirect to `location`, and what comes then with `then`,
    // whether on the same connection or another.
    auto redirectThen = [](const std::string &location, const std::function<void(RawConnection &)> &then) {
        return [=](RawConnection &c, std::string request) {
            for (; !request.empty(); request = c.readRequest()) {
                if (request.find("/MemberComment.asp") == std::string::npos)
                    return then(c);
                c.send("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n");
            }
        };
    };
    auto trickle = [&](RawConnection &c) {
        c.send(headers(full.size()));
        for (int i = 0; i < 50 && c.send(full.mid(i, 1).toStdString()) && c.pause(100ms); ++i) {}
    };
    // Takes connections and never answers: a TLS handshake that never ends.
    RawServer silent([](RawConnection &c, const std::string &) { c.pause(10s); });
    const std::string tooLong = "larger than the limit of 1 MiB (VYNMEMBERCOMMENT_MAX_REPLY_MIB)";
    using C = RawConnection &;
    using R = const std::string &;

    struct Case {
        const char *name;
        RawServer::Script answer;
        std::string detail;
        int timeoutMs = 10000;
        int deadlineMs = 60000;
    } cases[] = {
        {"closed before any reply", [](C, R) {}, "network error"},
        {"closed mid-body", [&](C c, R) { c.send(headers(full.size()) + half); }, "network error"},
        // the whole document arrived, but not the whole body: still not the reply the server sent
        {"complete document in a short body", [&](C c, R) { c.send(headers(full.size() + 100) + full.toStdString()); },
         "network error"},
        // a trickle is progress, but the whole load, redirect included, has its deadline
        {"trickle after a redirect", redirectThen("/elsewhere", trickle),
         "no complete reply within the deadline of 1500 ms", 1000, 1500},
        {"redirect to a TLS handshake that never ends",
         redirectThen("https://127.0.0.1:" + std::to_string(silent.port()) + "/", [](C) {}),
         "no progress for 400 ms from https://127.0.0.1", 400},
        {"longer than the limit, as its Content-Length says", [](C c, R) { c.send(headers(kMiB + 1)), c.pause(10s); },
         tooLong},
        {"longer than the limit, chunked",
         [](C c, R) {
             for (int i = 0; i < 80 && c.send((i ? "" : kChunked) + ("4000\r\n" + std::string(0x4000, ' ') + "\r\n"));
                  ++i) {}
             c.pause(10s);
         },
         tooLong},
        {"decompression bomb",
         [&](C c, R) { c.send(headers(qsizetype(bomb.size()), "Content-Encoding: deflate\r\n") + bomb), c.pause(10s); },
         "could not be decompressed: it is corrupt or larger than the limit of 1 MiB"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        addRows({commentRow()});
        Platform::HttpTransfer::setTimeoutMilliseconds(c.timeoutMs, c.deadlineMs);
        RawServer scripted(c.answer);
        const std::vector<SeenBox> boxes = load(scripted.baseUrl());
        const QString description = expectErrorBox(boxes, 1001);
        EXPECT_TRUE(description.contains(QString::fromStdString(c.detail))) << description.toStdString();
        EXPECT_EQ(model()->rowCount(), 0);
        EXPECT_TRUE(pointerRestored());
        // Qt sends a GET once more when the first connection closed without a reply
        EXPECT_GE(scripted.accepted(), 1);
    }
}

TEST_F(WireFaultsTest, BrokenSavesShowTheFailureAndKeepTheRows)
{
    addPendingRows();
    const std::string reply = kSaved;
    // a deflate stream whose first block has the reserved type, and a bomb that Qt stops reading
    // once it has grown past the limit (what comes later was once passed on raw)
    const std::string corrupt = "\x78\x9c\x07" + std::string(100, 'z');
    const std::string bomb = deflated(QByteArray(64 * kMiB, ' '));
    const char *deflate = "Content-Encoding: deflate\r\n";
    qputenv(kLimitVariable, "1");
    using C = RawConnection &;
    using R = const std::string &;
    const std::pair<const char *, RawServer::Script> cases[] = {
        {"no answer", [](C c, R) { c.stall(); }},
        {"closed before any reply", [](C, R) {}},
        // a cut reply is no reply: the part that came must not be shown as the server's answer
        {"reset mid-reply",
         [&](C c, R) { c.send(headers(reply.size()) + reply.substr(0, 9)), c.pause(50ms), c.reset(); }},
        {"trickle past the deadline",
         [&](C c, R) {
             c.send(headers(reply.size()));
             for (size_t i = 0; i < reply.size() && c.send(reply.substr(i, 1)) && c.pause(100ms); ++i) {}
         }},
        // what arrived cannot be read as the server's answer
        {"body that cannot be decompressed", [&](C c, R) { c.send(headers(corrupt.size(), deflate) + corrupt); }},
        {"decompression bomb",
         [&](C c, R) {
             c.send(headers(bomb.size(), deflate) + bomb.substr(0, bomb.size() / 2)), c.pause(50ms);
             c.send(bomb.substr(bomb.size() / 2));
         }},
    };
    for (const auto &[name, answer] : cases) {
        SCOPED_TRACE(name);
        RawServer scripted(answer);
        expectFailureBox(saveTo(scripted.baseUrl()));
        // Qt sends the request once more when a connection ends before it has read any reply
        EXPECT_GE(scripted.accepted(), 1);
        EXPECT_LE(scripted.accepted(), 2);
        const std::string body = scripted.firstBody();
        EXPECT_EQ(body.rfind("SQL=Declare+%40MaxID", 0), 0u);
        // the rows are untouched, and a save to a working server sends the same body once more
        EXPECT_EQ(rows(), before);
        EXPECT_FALSE(d()->Inet1->isRunning());
        server.reply(200, kSaved);
        const std::vector<SeenBox> boxes = saveTo(server.baseUrl(), Platform::kNoProgressMilliseconds);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, QLatin1String(kSaved));
        EXPECT_EQ(server.requests().back().body, body);
        EXPECT_EQ(rows(), before);
    }
    // no server name: nothing to post to
    expectFailureBox(saveTo(QString()));
    EXPECT_EQ(rows(), before);
}

TEST_F(WireFaultsTest, RepetitiveMemberLoadsCompressed)
{
    // 20,000 comments much alike: over 10 MiB that shrink more than a hundredfold, which Qt alone
    // would refuse as a decompression bomb
    const QByteArray xml =
        rawTexts(std::vector<QByteArray>(20000, "Called about the renewal, left a message. " + QByteArray(400, '.')))
            .xml();
    const std::string body = deflated(xml);
    ASSERT_GT(xml.size() / qsizetype(body.size()), 100);
    RawServer scripted([&](RawConnection &c, const std::string &) {
        c.send(headers(body.size(), "Content-Encoding: deflate\r\n") + body);
    });
    EXPECT_TRUE(load(scripted.baseUrl()).empty());
    ASSERT_EQ(model()->rowCount(), 20000);
    EXPECT_EQ(model()->cell(0, Column::CommentSequence), QStringLiteral("9999")); // sorted as texts
    EXPECT_TRUE(pointerRestored());
}

TEST_F(WireFaultsTest, InvalidUtf8BecomesReplacementCharacters)
{
    const QByteArray texts[] = {
        "Caf\xE9 latin-1 byte",        // a lone byte above 127
        "paren \xC3\x28 after",        // a lead byte without its trail
        "surrogate \xED\xA0\x80 half", // an encoded UTF-16 surrogate
        "overlong \xC0\xAF slash",     // an overlong form
        "beyond \xF4\x90\x80\x80 max", // above U+10FFFF
        "cut at the end \xE2\x82",     // a sequence cut by the field's end tag
    };
    server.reply(200, rawTexts({std::begin(texts), std::end(texts)}, "Ann \xFF Lee").xml().toStdString(),
                 "text/xml; charset=utf-8");
    EXPECT_TRUE(load().empty());

    ASSERT_EQ(model()->rowCount(), 6);
    for (int i = 0; i < 6; ++i) {
        const int row = 5 - i; // newest first
        const QString shown = model()->cell(row, Column::Description);
        EXPECT_EQ(shown, QString::fromUtf8(texts[i])) << i;
        EXPECT_EQ(model()->cell(row, Column::CommentSequence), QString::number(i));
    }
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("Ann \uFFFD Lee"));
    EXPECT_TRUE(pointerRestored());
}

TEST_F(WireFaultsTest, HundredThousandNestedElements)
{
    auto nest = [](const QByteArray &inner, const QByteArray &tag = "e") {
        return QByteArray("<" + tag + ">").repeated(100000) + inner + QByteArray("</" + tag + ">").repeated(100000);
    };
    const QByteArray deepField = rawTexts({nest("Deep &amp; down")}).xml();
    QByteArray deepSection = LoadReply().xml();
    deepSection.replace("<comments>", "<comments>" + nest("", "comment"));

    struct Case {
        const char *name;
        QByteArray body;
        int errorNumber; // 0: a list
        QStringList texts;
    } cases[] = {
        {"inside a comment's text", deepField, 0, {"Deep & down"}},
        {"records inside records", deepSection, 1003, {QString()}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        server.reply(200, c.body.toStdString(), "text/xml");
        const std::vector<SeenBox> boxes = load();
        if (c.errorNumber == 0)
            EXPECT_TRUE(boxes.empty());
        else
            expectErrorBox(boxes, c.errorNumber);
        EXPECT_EQ(column(Column::Description), c.texts);
        EXPECT_TRUE(pointerRestored());
    }
}

TEST_F(WireFaultsTest, RedirectsAreFollowedOnlyToTheSameSchemeHostAndPort)
{
    addPendingRows();
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
        const std::vector<SeenBox> boxes = saveTo(server.baseUrl(), 5000, Platform::kDeadlineMilliseconds);
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
