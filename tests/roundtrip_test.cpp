// The whole job end to end: the control, driven through its buttons, against the reference server
// page running in-process on a real SQLite file and on a real PostgreSQL database.
#include "control/commentlistmodel.h"
#include "rows/commentrow.h"
#include "support/backends.h"
#include "support/messageboxes.h"

#include <membercommentserver.h>

#include <VynMemberComment/MemberComment.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <memory>

using namespace VynMemberComment;

namespace {

class RoundTripTest : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.ready());
        MemberCommentServer::ServerOptions options;
        options.database = db.address();
        options.seedDemo = true;
        server = std::make_unique<MemberCommentServer::Server>(options);
        server->start();
    }

    QString baseUrl() const { return QString::fromStdString(server->baseUrl()); }

    static CommentListModel *model(MemberComment &c)
    {
        return qobject_cast<CommentListModel *>(c.findChild<QTreeView *>(QStringLiteral("lstComments"))->model());
    }
    template<typename T>
    static T *child(MemberComment &c, const char *name)
    {
        return c.findChild<T *>(QLatin1String(name));
    }
    void loadFromServer(MemberComment &c, qint32 member = 1001)
    {
        c.Mode(true, member);
        EXPECT_EQ(countBoxes([&] { c.LoadData(baseUrl(), 7, 1); }), 0);
    }
    // New Comment, fill the editor, Save.
    static void addComment(MemberComment &c, const QString &text, int group, int type, bool center)
    {
        child<QPushButton>(c, "cmdAdd")->click();
        child<QPlainTextEdit>(c, "txtComment")->setPlainText(text);
        child<QComboBox>(c, "cboCommentGroup")->setCurrentIndex(group);
        child<QComboBox>(c, "cboCommentType")->setCurrentIndex(type);
        child<QCheckBox>(c, "chkCenterFocus")->setChecked(center);
        EXPECT_EQ(countBoxes([&] { child<QPushButton>(c, "cmdAdd")->click(); }), 0);
    }
    static int findRow(MemberComment &c, int column, const QString &text)
    {
        for (int r = 0; r < model(c)->rowCount(); ++r) {
            if (model(c)->cell(r, column) == text)
                return r;
        }
        return -1;
    }
    // Saves and returns the server's reply as the control showed it.
    static QString save(MemberComment &c)
    {
        const SeenBox box = pressOnNextBox(QMessageBox::Ok, [&] { EXPECT_TRUE(c.ReadData().isEmpty()); });
        EXPECT_EQ(box.title, QStringLiteral("Membership Messaging"));
        return box.text;
    }

    TestDatabase db{GetParam()};
    std::unique_ptr<MemberCommentServer::Server> server;
};

INSTANTIATE_TEST_SUITE_P(Backends, RoundTripTest, kBackends, backendName);

} // namespace

TEST_P(RoundTripTest, NewAndChangedCommentsAreStoredAndShownAgain)
{
    MemberComment c;
    c.show();
    loadFromServer(c);
    const int before = model(c)->rowCount();
    ASSERT_GT(before, 0);
    int highest = 0;
    for (int r = 0; r < before; ++r)
        highest = std::max(highest, model(c)->cell(r, Column::CommentSequence).toInt());

    addComment(c, QStringLiteral("First new"), 0, 0, true);
    addComment(c, QStringLiteral("Second new"), 1, 2, false);
    // change the flags of a loaded comment
    const int loaded = findRow(c, Column::CommentSequence, QString::number(highest));
    ASSERT_GE(loaded, 0);
    const QString loadedText = model(c)->cell(loaded, Column::Description);
    const QString oldBeta = model(c)->cell(loaded, Column::FocusBETA);
    auto *list = child<QTreeView>(c, "lstComments");
    const QRect r = list->visualRect(model(c)->index(loaded, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    child<QPushButton>(c, "cmdEdit")->click();
    child<QCheckBox>(c, "chkBETAFocus")->toggle();
    child<QPushButton>(c, "cmdAdd")->click();

    EXPECT_EQ(save(c), QStringLiteral("Saved 2 new and 1 changed comment(s)."));
    loadFromServer(c);
    ASSERT_EQ(model(c)->rowCount(), before + 2);

    const int first = findRow(c, Column::Description, QStringLiteral("First new"));
    const int second = findRow(c, Column::Description, QStringLiteral("Second new"));
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    // numbered in list order after the member's highest sequence
    const QStringList sequences{model(c)->cell(first, Column::CommentSequence),
                                model(c)->cell(second, Column::CommentSequence)};
    EXPECT_EQ(QSet<QString>(sequences.begin(), sequences.end()),
              (QSet<QString>{QString::number(highest + 1), QString::number(highest + 2)}));
    EXPECT_EQ(model(c)->cell(first, Column::FocusCenter), QStringLiteral("1"));
    EXPECT_EQ(model(c)->cell(first, Column::EnteredBy), QStringLiteral("Demo Clerk"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4} \\d\\d:\\d\\d[AP]M$"))
                    .match(model(c)->cell(first, Column::CommentDate))
                    .hasMatch());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Z][a-z]{2} \\d\\d \\d{4} \\d\\d:\\d\\d[AP]M$"))
                    .match(model(c)->cell(first, Column::RecordLastUpdated))
                    .hasMatch());
    const int changed = findRow(c, Column::Description, loadedText);
    ASSERT_GE(changed, 0);
    EXPECT_EQ(model(c)->cell(changed, Column::CommentSequence), QString::number(highest));
    EXPECT_NE(model(c)->cell(changed, Column::FocusBETA), oldBeta);
}

TEST_P(RoundTripTest, HostileTextsComeBackUnchanged)
{
    MemberComment c;
    loadFromServer(c);
    const QStringList texts{
        QStringLiteral("It's \"quoted\" and ''doubled''"),
        QStringLiteral("50% off & 1+1=2; --"),
        QStringLiteral("<tag>&amp;</tag> ]]> é à ü"),
        QStringLiteral("two\r\nlines"),
        QString(1000, QLatin1Char('x')),
        QStringLiteral("'); DROP TABLE MemberDiscussionComment; --"),
    };
    for (const QString &text : texts)
        addComment(c, text, 0, 0, false);
    // what the list holds is what the server must give back
    QStringList pending;
    for (int r = 0; r < model(c)->rowCount(); ++r) {
        if (model(c)->cell(r, Column::CommentSequence) == QLatin1String("N"))
            pending << model(c)->cell(r, Column::Description);
    }
    ASSERT_EQ(pending.size(), texts.size());
    EXPECT_EQ(save(c), QStringLiteral("Saved 6 new and 0 changed comment(s)."));
    loadFromServer(c);
    for (const QString &text : pending)
        EXPECT_GE(findRow(c, Column::Description, text), 0) << text.left(60).toStdString();

    // a character the code page cannot hold arrives as "?"
    addComment(c, QStringLiteral("Chinese 中 here"), 0, 0, false);
    save(c);
    loadFromServer(c);
    EXPECT_GE(findRow(c, Column::Description, QStringLiteral("Chinese ? here")), 0);
}

TEST_P(RoundTripTest, ALargeSaveArrivesWholeAsTheRowsWereWhenItBegan)
{
    // Megabytes of form; the user may go on editing the list while it is sent.
    MemberComment c;
    loadFromServer(c);
    std::vector<CommentRow> rows;
    for (int i = 0; i < 1500; ++i) {
        CommentRow row(QStringLiteral("Row %1: it's caf\u00e9 time, 50% off & more. ").arg(i).repeated(30));
        for (const char *cell : {"1001", "N", "1", "General", "1", "Phone call", "8/5/2010 03:04PM", "Demo Clerk", "0",
                                 "1", "0", "Aug 05 2010 03:04PM", "1"})
            row.appendCell(QString::fromLatin1(cell));
        rows.push_back(std::move(row));
    }
    model(c)->appendRows(std::move(rows));
    const int last = model(c)->rowCount() - 1;
    const QString original = model(c)->cell(last, Column::Description);
    QTimer::singleShot(0, &c,
                       [&] { model(c)->setCell(last, Column::Description, QStringLiteral("Changed meanwhile")); });
    EXPECT_EQ(save(c), QStringLiteral("Saved 1500 new and 0 changed comment(s)."));
    loadFromServer(c);
    ASSERT_EQ(model(c)->rowCount(), 1504);
    EXPECT_GE(findRow(c, Column::Description, original), 0);
    EXPECT_LT(findRow(c, Column::Description, QStringLiteral("Changed meanwhile")), 0);
}

TEST_P(RoundTripTest, RefusedBatchIsShownAndChangesNothing)
{
    MemberComment c;
    loadFromServer(c);
    const int before = model(c)->rowCount();
    c.Mode(true, 0); // no member chosen
    addComment(c, QStringLiteral("Nobody's comment"), 0, 0, false);
    const QString reply = save(c);
    EXPECT_TRUE(reply.startsWith(QStringLiteral("Nothing was saved: "))) << reply.toStdString();
    EXPECT_EQ(
        model(c)->cell(findRow(c, Column::Description, QStringLiteral("Nobody's comment")), Column::CommentSequence),
        QStringLiteral("N")); // still pending
    loadFromServer(c);
    EXPECT_EQ(model(c)->rowCount(), before);
}

TEST_P(RoundTripTest, TwoControlsSavingAtOnceGetDistinctSequences)
{
    MemberComment a, b;
    loadFromServer(a);
    loadFromServer(b);
    addComment(a, QStringLiteral("From control A"), 0, 0, false);
    addComment(b, QStringLiteral("From control B"), 0, 0, false);
    // B saves while A is still waiting for its reply
    std::vector<SeenBox> replies;
    {
        MessageBoxes boxes;
        QTimer::singleShot(0, &b, [&] { b.ReadData(); });
        a.ReadData();
        QDeadlineTimer deadline(10000);
        while (boxes.seen().size() < 2 && !deadline.hasExpired())
            QTest::qWait(10);
        replies = boxes.seen();
    }
    ASSERT_EQ(replies.size(), 2u);
    for (const SeenBox &box : replies)
        EXPECT_EQ(box.text, QStringLiteral("Saved 1 new and 0 changed comment(s)."));
    loadFromServer(a);
    const QString seqA =
        model(a)->cell(findRow(a, Column::Description, QStringLiteral("From control A")), Column::CommentSequence);
    const QString seqB =
        model(a)->cell(findRow(a, Column::Description, QStringLiteral("From control B")), Column::CommentSequence);
    EXPECT_NE(seqA, seqB);
    EXPECT_GT(seqA.toInt(), 0);
    EXPECT_GT(seqB.toInt(), 0);
}
