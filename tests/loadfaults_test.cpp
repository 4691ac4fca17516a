// LoadData against servers that misbehave on purpose: broken, cut, stalled and hostile replies.
// Each ends in the error box or a correct list, with the pointer restored.
#include "platform/http.h"
#include "support/controlfixture.h"
#include "support/rawserver.h"

using namespace std::chrono_literals;

namespace {

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

constexpr const char *kLimitVariable = "VYNMEMBERCOMMENT_MAX_REPLY_MIB";
constexpr qsizetype kMiB = 1024 * 1024;

// A body with "Content-Encoding: deflate": zlib's format, which is qCompress's after its length.
QByteArray deflated(const QByteArray &bytes)
{
    return qCompress(bytes, 9).mid(4);
}

std::string headers(qsizetype contentLength, const char *extra = "")
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(contentLength) + "\r\n"
        + extra + "\r\n";
}

class LoadFaultsTest : public ControlFixture
{
protected:
    void TearDown() override
    {
        Platform::HttpTransfer::setTimeoutMilliseconds(Platform::kNoProgressMilliseconds);
        qunsetenv(kLimitVariable);
    }

    // The one box shown was the load's error box with this number; its description is returned.
    QString expectErrorBox(const std::vector<SeenBox> &boxes, int number)
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
};

} // namespace

TEST_F(LoadFaultsTest, BrokenTransfersShowTheErrorBox)
{
    const QByteArray full = rawTexts({"one", "two"}).xml();
    const std::string half = full.left(full.size() / 2).toStdString();
    const std::string bomb = deflated(QByteArray(64 * kMiB, ' ')).toStdString();
    qputenv(kLimitVariable, "1"); // replies of at most 1 MiB
    // Answers the load's GET with a redirect to `location`, and what comes then with `then`,
    // whether on the same connection or another.
    auto redirectThen = [](std::string location, std::function<void(RawConnection &)> then) {
        return [=](RawConnection &c) {
            for (std::string request = c.readRequest(); !request.empty(); request = c.readRequest()) {
                if (request.find("/MemberComment.asp") == std::string::npos)
                    return then(c);
                c.send("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n");
            }
        };
    };
    // Takes connections and never answers: a TLS handshake that never ends.
    RawServer silent([](RawConnection &c) { c.pause(10s); });

    struct Case {
        const char *name;
        RawServer::Script script;
        const char *detail;
        bool orWholeList = false; // Qt may take a chunked body cut after its last chunk as complete
        int timeoutMs = 10000;
        int deadlineMs = 60000;
    } cases[] = {
        {"closed before any reply", [](RawConnection &c) { c.readRequest(); }, "network error"},
        {"reset before any reply",
         [](RawConnection &c) {
             c.readRequest();
             c.reset();
         },
         "network error"},
        {"closed mid-body",
         [&](RawConnection &c) {
             c.readRequest();
             c.send(headers(full.size()) + half);
         },
         "network error"},
        {"reset mid-body",
         [&](RawConnection &c) {
             c.readRequest();
             c.send(headers(full.size()) + half);
             c.pause(50ms);
             c.reset();
         },
         "network error"},
        {"chunked body cut before its end",
         [&](RawConnection &c) {
             c.readRequest();
             char size[16];
             std::snprintf(size, sizeof size, "%llx", static_cast<unsigned long long>(full.size()));
             c.send("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n"
                    + std::string(size) + "\r\n" + full.toStdString() + "\r\n");
         },
         "network error", true},
        // the whole document arrived, but not the whole body: still not the reply the server sent
        {"complete document in a short body",
         [&](RawConnection &c) {
             c.readRequest();
             c.send(headers(full.size() + 100) + full.toStdString());
         },
         "network error"},
        {"trickle then stall",
         [&](RawConnection &c) {
             c.readRequest();
             c.send(headers(full.size()));
             for (int i = 0; i < 8 && c.send(full.mid(i * 4, 4).toStdString()); ++i)
                 c.pause(50ms);
             c.stall();
         },
         "no progress for 400 ms", false, 400},
        // a trickle is progress, but the whole load, redirect included, has its deadline
        {"trickle after a redirect",
         redirectThen("/elsewhere",
                      [&](RawConnection &c) {
                          c.send(headers(full.size()));
                          for (int i = 0; i < 50 && c.send(full.mid(i, 1).toStdString()) && c.pause(100ms); ++i) {}
                      }),
         "no complete reply within the deadline of 1500 ms", false, 1000, 1500},
        {"redirect to a TLS handshake that never ends",
         redirectThen("https://127.0.0.1:" + std::to_string(silent.port()) + "/", [](RawConnection &) {}),
         "no progress for 400 ms from https://127.0.0.1", false, 400},
        {"longer than the limit, as its Content-Length says",
         [](RawConnection &c) {
             c.readRequest();
             c.send(headers(kMiB + 1));
             c.pause(10s);
         },
         "larger than the limit of 1 MiB (VYNMEMBERCOMMENT_MAX_REPLY_MIB)"},
        {"longer than the limit, chunked",
         [](RawConnection &c) {
             c.readRequest();
             c.send("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n");
             for (int i = 0; i < 80 && c.send("4000\r\n" + std::string(0x4000, ' ') + "\r\n"); ++i) {}
             c.pause(10s);
         },
         "larger than the limit of 1 MiB (VYNMEMBERCOMMENT_MAX_REPLY_MIB)"},
        {"decompression bomb",
         [&](RawConnection &c) {
             c.readRequest();
             c.send(headers(qsizetype(bomb.size()), "Content-Encoding: deflate\r\n") + bomb);
             c.pause(10s);
         },
         "could not be decompressed: it is corrupt or larger than the limit of 1 MiB"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        addRows({commentRow()});
        Platform::HttpTransfer::setTimeoutMilliseconds(c.timeoutMs, c.deadlineMs);
        RawServer raw(c.script);
        const std::vector<SeenBox> boxes = load(raw.baseUrl());
        if (c.orWholeList && boxes.empty()) {
            EXPECT_EQ(column(Column::Description), (QStringList{"two", "one"}));
        } else {
            const QString description = expectErrorBox(boxes, 1001);
            EXPECT_TRUE(description.contains(QLatin1String(c.detail))) << description.toStdString();
            EXPECT_EQ(model()->rowCount(), 0);
        }
        EXPECT_TRUE(pointerRestored());
        // Qt sends a GET once more when the first connection closed without a reply
        EXPECT_GE(raw.accepted(), 1);
    }
}

TEST_F(LoadFaultsTest, FiftyMegabyteReplyIsListed)
{
    const QByteArray huge(50 * 1024 * 1024, 'x');
    serve(rawTexts({"small", "last", huge}));
    EXPECT_TRUE(load().empty());
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"2", "1", "0"}));
    EXPECT_EQ(model()->cell(0, Column::Description).size(), huge.size());
    // the list shows its start only, so painting it costs what a short one does
    EXPECT_EQ(model()->index(0, Column::Description).data(CommentListModel::ShownTextRole).toString().size(), 1001);
    EXPECT_EQ(model()->cell(0, Column::FocusFranchiseRelations), QStringLiteral("0"));
    EXPECT_TRUE(pointerRestored());
    // and a save sends it whole
    model()->setCell(0, Column::CommentSequence, QStringLiteral("2U"));
    std::string request;
    {
        RawServer raw([&](RawConnection &c) {
            request = c.readRequest();
            c.send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nSaved");
        });
        d()->mtServerName = raw.baseUrl();
        EXPECT_EQ(save().size(), 1u);
    } // the server's threads have ended: `request` is theirs no more
    EXPECT_NE(request.find("%27" + huge.toStdString() + "%27"), std::string::npos);
}

TEST_F(LoadFaultsTest, RepetitiveMemberLoadsCompressed)
{
    // 20,000 comments much alike: over 10 MiB that shrink more than a hundredfold, which Qt alone
    // would refuse as a decompression bomb
    const QByteArray xml =
        rawTexts(std::vector<QByteArray>(20000, "Called about the renewal, left a message. " + QByteArray(400, '.')))
            .xml();
    const std::string body = deflated(xml).toStdString();
    ASSERT_GT(xml.size(), 10 * kMiB);
    ASSERT_GT(xml.size() / qsizetype(body.size()), 100);
    RawServer raw([&](RawConnection &c) {
        c.readRequest();
        c.send(headers(qsizetype(body.size()), "Content-Encoding: deflate\r\n") + body);
    });
    EXPECT_TRUE(load(raw.baseUrl()).empty());
    ASSERT_EQ(model()->rowCount(), 20000);
    EXPECT_EQ(model()->cell(0, Column::CommentSequence), QStringLiteral("9999")); // sorted as texts
    EXPECT_TRUE(pointerRestored());
}

TEST_F(LoadFaultsTest, InvalidUtf8BecomesReplacementCharacters)
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
        EXPECT_TRUE(shown.contains(QChar::ReplacementCharacter)) << i;
        EXPECT_FALSE(shown.contains(QChar(0xD800))) << i;
        EXPECT_EQ(model()->cell(row, Column::CommentSequence), QString::number(i));
        EXPECT_EQ(model()->cell(row, Column::EnteredBy), QStringLiteral("clerk1"));
    }
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("Ann \uFFFD Lee"));
    EXPECT_TRUE(pointerRestored());
}

TEST_F(LoadFaultsTest, EntitiesOfTheDocumentTypeAreNotExpanded)
{
    // a billion laughs: ten levels of ten references each
    QByteArray entities = "<!ENTITY l0 \"laugh\">";
    for (int level = 1; level <= 9; ++level) {
        entities += "<!ENTITY l" + QByteArray::number(level) + " \"";
        for (int i = 0; i < 10; ++i)
            entities += "&l" + QByteArray::number(level - 1) + ";";
        entities += "\">";
    }
    entities += "<!ENTITY secret SYSTEM \"file:///etc/passwd\">";
    LoadReply reply = rawTexts({"&l9;", "&secret; &amp; &#65;"}, "&l9;");
    reply.prolog = "<!DOCTYPE reply [" + entities + "]>\n";
    serve(reply);
    EXPECT_TRUE(load().empty());
    // unknown references stay as they were written; only the predefined ones and numeric ones are read
    EXPECT_EQ(column(Column::Description), (QStringList{"&secret; & A", "&l9;"}));
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("&l9;"));
    EXPECT_TRUE(pointerRestored());
}

TEST_F(LoadFaultsTest, HundredThousandNestedElements)
{
    auto nest = [](const QByteArray &inner, const QByteArray &tag = "e") {
        return QByteArray("<" + tag + ">").repeated(100000) + inner + QByteArray("</" + tag + ">").repeated(100000);
    };
    const QByteArray deepField = rawTexts({nest("Deep &amp; down")}).xml();
    QByteArray deepSection = LoadReply().xml();
    deepSection.replace("<comments>", "<comments>" + nest("", "comment"));
    const QByteArray deepRoot = "<reply>" + nest("x") + "</reply>";
    const QByteArray unclosed = "<reply>" + QByteArray("<e>").repeated(100000);

    struct Case {
        const char *name;
        QByteArray body;
        int errorNumber; // 0: a list
        QStringList texts;
    } cases[] = {
        {"inside a comment's text", deepField, 0, {"Deep & down"}},
        {"records inside records", deepSection, 1003, {QString()}},
        {"one section only", deepRoot, 1002, {}},
        {"never closed", unclosed, 1001, {}},
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
