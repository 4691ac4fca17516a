// ReadData on the real control against a loopback server: the batch it posts for the rows of the
// list, what stops a save, and that a save sends what the list held when it began.
#include "control/commentlistmodel.h"
#include "support/controlaccess.h"
#include "support/loopbackserver.h"
#include "support/messageboxes.h"

#include <VynMemberComment/MemberComment.h>

#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <thread>

using namespace VynMemberComment;

namespace {

struct Cells {
    const char *text, *sequence, *group, *type, *enteredBy, *center, *membership, *beta, *franchise;
};

const Cells kExample1{"Don't call back", "N", "2", "5", "clerk1", "1", "0", "0", "1"};
const Cells kExample2{"Paid in full", "7U", "3", "4", "clerk1", "0", "1", "0", "0"};

const std::string kHeader = "Declare @MaxID  int select @MaxId = (Select Max(CommentSequence) From "
                            "MemberDiscussionComment where MemberID =1234)  Set @MaxId = ISNull(@MaxID,0) ";
const std::string kInsert1 =
    "INSERT INTO MemberDiscussionComment (MemberID,CommentDescription ,CommentSequence,CommentGroup , "
    "CommentType, CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta,RecordLastUpdated, "
    "FocusFranchiseRelations) VALUES (1234 ,'Don''t call back',@MAXID+1,2,5,GETDATE(),'clerk1',1,0,0,GETDATE(),1);";
const std::string kUpdate2 =
    "UPDATE MemberDiscussionComment  SET CommentDescription = 'Paid in full', CommentGroup = 3, CommentType = 4, "
    "Focuscenter = 0, FocusMembership = 1, FocusBeta = 0, FocusFranchiseRelations = 0, RecordLastUpdated = "
    "GETDATE() WHERE MemberID = 1234 AND CommentSequence = 7;";

class ReadDataTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        control.Mode(true, 1234);
        dOf(&control)->mtServerName = server.baseUrl();
        server.reply(200, "");
    }

    CommentListModel *model()
    {
        return qobject_cast<CommentListModel *>(control.findChild<QTreeView *>(QStringLiteral("lstComments"))->model());
    }

    void addRows(std::initializer_list<Cells> rows)
    {
        std::vector<CommentRow> out;
        for (const Cells &c : rows) {
            CommentRow r(QString::fromUtf8(c.text));
            for (const char *cell : {"1234", c.sequence, c.group, "Group", c.type, "Type", "8/5/2010 03:04PM",
                                     c.enteredBy, c.center, c.membership, c.beta, "Aug 05 2010 03:04PM", c.franchise})
                r.appendCell(QString::fromUtf8(cell));
            out.push_back(std::move(r));
        }
        model()->appendRows(std::move(out));
    }

    // The SQL field of each POST, decoded back to text.
    std::vector<std::string> postedBatches()
    {
        std::vector<std::string> out;
        for (const auto &r : server.requests()) {
            if (r.method != "POST")
                continue;
            EXPECT_EQ(r.body.rfind("SQL=", 0), 0u);
            QByteArray encoded = QByteArray::fromStdString(r.body.substr(4)).replace('+', ' ');
            out.push_back(QByteArray::fromPercentEncoding(encoded).toStdString());
        }
        return out;
    }

    LoopbackServer server;
    MemberComment control;
};

} // namespace

TEST_F(ReadDataTest, WorkedExamplesArePostedByteForByte)
{
    addRows({kExample1, kExample2});
    QString result = QStringLiteral("x");
    EXPECT_EQ(countBoxes([&] { result = control.ReadData(); }), 0); // a blank reply shows nothing
    EXPECT_TRUE(result.isEmpty());
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/MemberComment.asp");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_NE(
        requests[0].body.find("VALUES+%281234+%2C%27Don%27%27t+call+back%27%2C%40MAXID%2B1%2C2%2C5%2CGETDATE%28%29"
                              "%2C%27clerk1%27%2C1%2C0%2C0%2CGETDATE%28%29%2C1%29%3B"),
        std::string::npos);
    EXPECT_EQ(postedBatches(), std::vector<std::string>{kHeader + kInsert1 + kUpdate2});
    // the markers stay: saving again sends the same statements
    control.ReadData();
    EXPECT_EQ(postedBatches().size(), 2u);
    EXPECT_EQ(model()->cell(0, Column::CommentSequence), QStringLiteral("N"));
}

TEST_F(ReadDataTest, WhatIsSentForWhichRows)
{
    struct Case {
        const char *name;
        std::vector<Cells> rows;
        qint32 member;
        std::vector<std::string> mustContain; // empty: nothing is posted
    };
    const Cells loadedWithEmptyFlag{"Old", "9", "2", "5", "x", "", "", "", ""};
    const Cells lowerCase{"Not sent", "n", "2", "5", "x", "1", "1", "1", "1"};
    const Cells emptyText{"", "N", "2", "5", "O'Hara", "1", "0", "0", "0"};
    const Cells beyondTheBmp{"a\xF0\x9F\x98\x80"
                             "b",
                             "N",
                             "2",
                             "5",
                             "x",
                             "1",
                             "0",
                             "0",
                             "0"};
    const Case cases[] = {
        {"no marked rows", {loadedWithEmptyFlag, lowerCase}, 1234, {}},
        {"unmarked rows are not read", {loadedWithEmptyFlag, kExample1}, 1234, {kHeader + kInsert1}},
        {"only changes: no header", {kExample2}, 1234, {kUpdate2}},
        {"member 0", {kExample1}, 0, {"where MemberID =MEMBER_ID_REQUIRED)", "VALUES (MEMBER_ID_REQUIRED ,"}},
        {"empty text and a quote in the name", {emptyText}, 1234, {",'',@MAXID+1,", "'O''Hara'"}},
        {"each half of a pair beyond the BMP is a \"?\"", {beyondTheBmp}, 1234, {"(1234 ,'a??b',"}},
        // the marker is the cell's last character: a server's "9N" is inserted; "-7U" names row -7
        {"last character N", {{"Nine", "9N", "2", "5", "x", "1", "0", "0", "0"}}, 1234, {kHeader, ",'Nine',@MAXID+1,"}},
        {"negative sequence",
         {{"Minus", "-7U", "2", "5", "x", "1", "0", "0", "0"}},
         1234,
         {"AND CommentSequence = -7;"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        model()->clear();
        for (const Cells &cells : c.rows)
            addRows({cells});
        control.Mode(true, c.member);
        const size_t before = postedBatches().size();
        EXPECT_EQ(countBoxes([&] { EXPECT_TRUE(control.ReadData().isEmpty()); }), 0);
        const auto batches = postedBatches();
        if (c.mustContain.empty()) {
            EXPECT_EQ(batches.size(), before);
            continue;
        }
        ASSERT_EQ(batches.size(), before + 1);
        for (const std::string &piece : c.mustContain)
            EXPECT_NE(batches.back().find(piece), std::string::npos) << piece << "\n in " << batches.back();
    }
}

TEST_F(ReadDataTest, UnsendableMarkedRowsStopTheSaveWithNothingSent)
{
    const Cells cases[] = {
        {"x", "N", "2; DROP TABLE MemberDiscussionComment", "5", "x", "1", "0", "0", "0"},
        {"x", "7U", "2", "5 OR 1=1", "x", "1", "0", "0", "0"},
        {"x", "N", "2", "5", "x", "yes", "0", "0", "0"},
        {"x", "U", "2", "5", "x", "1", "0", "0", "0"},
    };
    for (const Cells &c : cases) {
        model()->clear();
        addRows({kExample2, c});
        const SeenBox box = pressOnNextBox(QMessageBox::Ok, [&] { EXPECT_TRUE(control.ReadData().isEmpty()); });
        EXPECT_EQ(box.text, QStringLiteral("Error Occoured")) << c.group << c.type << c.center;
        EXPECT_EQ(box.title, QStringLiteral("Information"));
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_TRUE(postedBatches().empty());
        EXPECT_EQ(model()->cell(0, Column::CommentSequence), QStringLiteral("7U"));
        EXPECT_FALSE(control.testAttribute(Qt::WA_SetCursor));
    }
}

TEST_F(ReadDataTest, ChangesDuringTheWaitGoWithALaterSave)
{
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        res.set_content("", "text/plain");
    });
    addRows({kExample1});
    QTimer::singleShot(50, &control,
                       [this] { model()->setCell(0, Column::Description, QStringLiteral("Changed meanwhile")); });
    control.ReadData();
    ASSERT_EQ(postedBatches().size(), 1u);
    EXPECT_NE(postedBatches()[0].find("'Don''t call back'"), std::string::npos);
    EXPECT_EQ(model()->cell(0, Column::Description), QStringLiteral("Changed meanwhile"));
}
