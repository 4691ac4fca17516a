// ReadData on the real control against a loopback server: the POST it sends for the rows of the
// list, byte for byte, what stops a save before anything is sent, and the reply it shows.
#include "support/controlfixture.h"
#include "support/wireforms.h"

namespace {

class ReadDataTest : public ControlFixture
{
protected:
    void SetUp() override { server.reply(200, ""); }
};

const CommentRow kChanged = commentRow({{Column::CommentSequence, "7U"}});

} // namespace

TEST_F(ReadDataTest, WorkedExamplesArePostedByteForByte)
{
    addRows({newRow(), kChanged});
    QString result = QStringLiteral("x");
    EXPECT_EQ(countBoxes([&] { result = control->ReadData(); }), 0); // a blank reply shows nothing
    EXPECT_TRUE(result.isEmpty());
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/MemberComment.asp");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].body, WireForms::formBody(WireForms::kBothComments));
    // the markers stay: saving again sends the same statements
    EXPECT_TRUE(save().empty());
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1].body, requests[0].body);
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"N", "7U"}));
}

TEST_F(ReadDataTest, WhatIsSentForWhichRows)
{
    using namespace WireForms;
    struct Case {
        const char *name;
        std::vector<CommentRow> rows;
        qint32 member;
        std::string batch; // empty: nothing is posted
    } cases[] = {
        {"no marked rows", {commentRow(), newRow({{Column::CommentSequence, "n"}})}, 1234, ""},
        {"only changes: no header", {kChanged}, 1234, kChangedComment},
        {"member 0",
         {newRow()},
         0,
         header("MEMBER_ID_REQUIRED") + insert("MEMBER_ID_REQUIRED", "'Don''t call back'", "1")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        model()->clear();
        addRows(c.rows);
        control->Mode(true, c.member);
        const size_t before = server.requests().size();
        EXPECT_TRUE(save().empty());
        if (c.batch.empty()) {
            EXPECT_EQ(server.requests().size(), before);
            continue;
        }
        ASSERT_EQ(server.requests().size(), before + 1);
        EXPECT_EQ(server.requests().back().body, formBody(c.batch));
    }
}

TEST_F(ReadDataTest, UnsendableMarkedRowsStopTheSaveWithNothingSent)
{
    // which cells stop a batch is batchbuilder's table; here the control's refusal
    const CommentRow cases[] = {
        newRow({{Column::CommentGroup, "2; DROP TABLE MemberDiscussionComment"}}),
        newRow({{Column::CommentSequence, "U"}}),
    };
    for (const CommentRow &row : cases) {
        SCOPED_TRACE(cellsOf(row).join(u'|').toStdString());
        model()->clear();
        addRows({kChanged, row});
        const std::vector<SeenBox> boxes = save();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, QStringLiteral("Error Occoured"));
        EXPECT_EQ(boxes[0].title, QStringLiteral("Information"));
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        EXPECT_TRUE(server.requests().empty());
        EXPECT_EQ(column(Column::CommentSequence), (QStringList{"7U", cellsOf(row)[Column::CommentSequence]}));
        EXPECT_TRUE(pointerRestored()); // a refused save leaves no busy pointer
    }
}

TEST_F(ReadDataTest, ReplyIsShownAsTheServerWroteItUnlessBlank)
{
    addRows({newRow()});
    struct Case {
        const char *name;
        int status;
        std::string body;
        std::optional<QString> shown;
        const char *contentType = "text/plain";
    } cases[] = {
        {"empty", 200, "", std::nullopt},
        {"spaces only", 200, "     ", std::nullopt},
        {"line break only", 200, "\r\n", QStringLiteral("\r\n")},
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

    // the box shows the start of a huge reply: laying out megabytes of text froze the window for minutes
    server.reply(200, "Saved. " + std::string(10 * 1024 * 1024, 'x'));
    const std::vector<SeenBox> boxes = save();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QLatin1String("Saved. xxx")));
    EXPECT_TRUE(boxes[0].text.endsWith(QChar(0x2026)));
    EXPECT_LT(boxes[0].text.size(), 100 * 1024);
    EXPECT_EQ(column(Column::CommentSequence), QStringList{"N"}); // a reply changes no marker
}
