// The whole job end to end: the control, driven through its buttons, against the reference server
// page running in-process on a real SQLite file and on a real PostgreSQL database.
#include "support/backends.h"
#include "support/controlfixture.h"

#include <membercommentserver.h>

#include <memory>

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

    static CommentListModel *model(MemberComment &c)
    {
        return qobject_cast<CommentListModel *>(c.findChild<QTreeView *>(QStringLiteral("lstComments"))->model());
    }
    template<typename T>
    static T *child(MemberComment &c, const char *name)
    {
        return c.findChild<T *>(QLatin1String(name));
    }
    void loadFromServer(MemberComment &c)
    {
        c.Mode(true, 1001);
        EXPECT_EQ(countBoxes([&] { c.LoadData(QString::fromStdString(server->baseUrl()), 7, 1); }), 0);
    }
    // New Comment, fill the editor, Save.
    static void addComment(MemberComment &c, const QString &text, int group = 0, int type = 0, bool center = false)
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
        QStringList cells;
        for (int r = 0; r < model(c)->rowCount(); ++r)
            cells << model(c)->cell(r, column);
        return int(cells.indexOf(text));
    }
    // A cell of the row whose description is `text`; empty, and a failure, when there is none.
    static QString cellOf(MemberComment &c, const QString &text, int column)
    {
        const int row = findRow(c, Column::Description, text);
        EXPECT_GE(row, 0) << text.left(60).toStdString();
        return row < 0 ? QString() : model(c)->cell(row, column);
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

TEST_P(RoundTripTest, NewChangedAndHostileCommentsAreStoredAndShownAgain)
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
    for (const QString &text :
         {QStringLiteral("It's \"quoted\" and ''doubled''"), QStringLiteral("50% off & 1+1=2; --"),
          QStringLiteral("<tag>&amp;</tag> ]]> \u00e9 \u00e0 \u00fc"), QStringLiteral("two\r\nlines"),
          QString(1000, QLatin1Char('x')), QStringLiteral("'); DROP TABLE MemberDiscussionComment; --")})
        addComment(c, text, 1, 2, false);
    // change the flags of a loaded comment
    const int loaded = findRow(c, Column::CommentSequence, QString::number(highest));
    ASSERT_GE(loaded, 0);
    const QString loadedText = model(c)->cell(loaded, Column::Description);
    const QString oldBeta = model(c)->cell(loaded, Column::FocusBETA);
    auto *list = child<QTreeView>(c, "lstComments");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(model(c)->index(loaded, 0)).center());
    child<QPushButton>(c, "cmdEdit")->click();
    child<QCheckBox>(c, "chkBETAFocus")->toggle();
    child<QPushButton>(c, "cmdAdd")->click();
    // what the list holds is what the server must give back
    QStringList pending;
    for (int r = 0; r < model(c)->rowCount(); ++r) {
        if (model(c)->cell(r, Column::CommentSequence) == QLatin1String("N"))
            pending << model(c)->cell(r, Column::Description);
    }
    ASSERT_EQ(pending.size(), 7);

    EXPECT_EQ(save(c), QStringLiteral("Saved 7 new and 1 changed comment(s)."));
    loadFromServer(c);
    ASSERT_EQ(model(c)->rowCount(), before + 7);
    // numbered after the member's highest sequence
    QSet<QString> sequences, expected;
    for (int i = 0; i < pending.size(); ++i) {
        sequences << cellOf(c, pending[i], Column::CommentSequence);
        expected << QString::number(highest + 1 + i);
    }
    EXPECT_EQ(sequences, expected);
    EXPECT_EQ(cellOf(c, QStringLiteral("First new"), Column::FocusCenter), QStringLiteral("1"));
    EXPECT_EQ(cellOf(c, QStringLiteral("First new"), Column::EnteredBy), QStringLiteral("Demo Clerk"));
    EXPECT_EQ(cellOf(c, loadedText, Column::CommentSequence), QString::number(highest));
    EXPECT_NE(cellOf(c, loadedText, Column::FocusBETA), oldBeta);
}

TEST_P(RoundTripTest, TwoControlsSavingAtOnceGetDistinctSequences)
{
    MemberComment a, b;
    loadFromServer(a);
    loadFromServer(b);
    addComment(a, QStringLiteral("From control A"));
    addComment(b, QStringLiteral("From control B"));
    // B saves while A is still waiting for its reply
    MessageBoxes boxes;
    QTimer::singleShot(0, &b, [&] { b.ReadData(); });
    a.ReadData();
    ASSERT_TRUE(waitFor([&] { return boxes.seen().size() >= 2; }));
    for (const SeenBox &box : boxes.seen())
        EXPECT_EQ(box.text, QStringLiteral("Saved 1 new and 0 changed comment(s)."));
    loadFromServer(a);
    const QString seqA = cellOf(a, QStringLiteral("From control A"), Column::CommentSequence);
    const QString seqB = cellOf(a, QStringLiteral("From control B"), Column::CommentSequence);
    EXPECT_NE(seqA, seqB);
    EXPECT_GT(seqA.toInt(), 0);
    EXPECT_GT(seqB.toInt(), 0);
}
