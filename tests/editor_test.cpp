// The editor's workflows on a real control: New Comment and Save, Edit and Cancel, Delete, the
// list's selection, keys and header clicks, and the editor after a load.
#include "platform/dateforms.h"
#include "support/controlfixture.h"

#include <QHeaderView>
#include <QTextCursor>

namespace {

class EditorTest : public ControlFixture
{
protected:
    void SetUp() override
    {
        serve(LoadReply()); // the choices General 2, Billing 3; Call 5, Letter 4; the user Ann Lee
        ASSERT_TRUE(load().empty());
        show();
        Platform::setClock([] { return QDateTime(QDate(2010, 8, 5), QTime(15, 7, 9)); });
    }
    void TearDown() override { Platform::setClock({}); }

    QString cell(int row, int column) { return model()->cell(row, column); }
    void clickRow(int position, bool twice = false)
    {
        const QPoint at = list()->visualRect(model()->index(position, 0)).center();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    }
    void clickHeader(int column)
    {
        QHeaderView *h = list()->header();
        const int x = h->sectionViewportPosition(column) + h->sectionSize(column) / 2;
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
    }
    void fill(const QString &typed, int groupIndex, int typeIndex)
    {
        text()->setPlainText(typed);
        group()->setCurrentIndex(groupIndex);
        type()->setCurrentIndex(typeIndex);
    }
    // As Cancel leaves it: nothing of a previous row stays in the editor.
    void expectIdle()
    {
        EXPECT_EQ(add()->text(), QStringLiteral("New Comment"));
        EXPECT_EQ(edit()->text(), QStringLiteral("Edit"));
        EXPECT_FALSE(edit()->isEnabled());
        EXPECT_FALSE(del()->isEnabled());
        EXPECT_TRUE(text()->toPlainText().isEmpty());
        EXPECT_TRUE(text()->isReadOnly());
        EXPECT_EQ(group()->currentIndex(), -1);
        EXPECT_EQ(type()->currentIndex(), -1);
        EXPECT_FALSE(flag("chkBETAFocus")->isChecked());
        EXPECT_FALSE(flag("chkBETAFocus")->isEnabled());
        EXPECT_TRUE(list()->isEnabled());
    }
};

} // namespace

TEST_F(EditorTest, NewCommentIsValidatedThenAddedMarkedNew)
{
    add()->click();
    EXPECT_EQ(add()->text(), QStringLiteral("Save"));
    EXPECT_EQ(edit()->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(list()->isEnabled());
    EXPECT_FALSE(text()->isReadOnly());

    // checks run group, type, text; the flag is set before them when the text is not blank
    struct {
        const char *typed;
        int groupIndex, typeIndex;
        const char *message;
        bool notEmpty;
    } const cases[] = {
        {"   ", -1, -1, "Please select your comment group", false},
        {"hello", -1, 0, "Please select your comment group", true},
        {"hello", 0, -1, "Please select your comment type", true},
        {"  ", 0, 0, "Please enter your comment", false},
    };
    for (const auto &c : cases) {
        control->setIsCommentNotEmpty(false);
        fill(QString::fromUtf8(c.typed), c.groupIndex, c.typeIndex);
        const SeenBox box = pressOnNextBox(QMessageBox::Ok, [&] { add()->click(); });
        EXPECT_EQ(box.text, QString::fromUtf8(c.message));
        EXPECT_EQ(box.title, QStringLiteral("VynMemberComment"));
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        EXPECT_EQ(control->IsCommentNotEmpty(), c.notEmpty) << c.message;
        EXPECT_EQ(add()->text(), QStringLiteral("Save"));
        EXPECT_EQ(model()->rowCount(), 0);
    }

    // every character stays; a line break pasted in is written as CR LF
    fill(QString::fromUtf16(u"  \u00a0x\u2028y\nz\u2029w"), 0, 0);
    flag("chkCenterFocus")->setChecked(true);
    flag("chkFranchiseRelationsFocus")->setChecked(true);
    control->setIsCommentNotEmpty(false);
    EXPECT_EQ(countBoxes([&] { add()->click(); }), 0);
    ASSERT_EQ(model()->rowCount(), 1);
    const QStringList expected =
        cellsOf(newRow({{Column::Description, QString::fromUtf16(u"  \u00a0x\u2028y\r\nz\r\nw")},
                        {Column::CommentDate, "8/5/2010 03:07PM"},
                        {Column::EnteredBy, "Ann Lee"},
                        {Column::RecordLastUpdated, "Aug 05 2010 03:07PM"}}));
    EXPECT_EQ(rows()[0], expected);
    EXPECT_TRUE(control->IsCommentNotEmpty());
    // back to idle: flags disabled but showing what was saved, choices kept, list active
    EXPECT_EQ(add()->text(), QStringLiteral("New Comment"));
    EXPECT_FALSE(edit()->isEnabled());
    EXPECT_TRUE(text()->isReadOnly());
    EXPECT_TRUE(text()->toPlainText().isEmpty());
    EXPECT_FALSE(flag("chkCenterFocus")->isEnabled());
    EXPECT_TRUE(flag("chkCenterFocus")->isChecked());
    EXPECT_EQ(group()->currentText(), QStringLiteral("General"));
    EXPECT_TRUE(group()->property("locked").toBool());
    EXPECT_TRUE(list()->isEnabled());

    // a text of non-breaking spaces only is not blank
    add()->click();
    fill(QString::fromUtf16(u"\u00a0"), 0, 0);
    EXPECT_EQ(countBoxes([&] { add()->click(); }), 0);
    EXPECT_TRUE(column(Column::Description).contains(QString::fromUtf16(u"\u00a0")));
}

TEST_F(EditorTest, EditMarksLoadedRowsChangedAndKeepsNewRowsNew)
{
    addRows({commentRow(), newRow()});
    for (int round = 0; round < 2; ++round) {
        clickRow(0);
        EXPECT_TRUE(edit()->isEnabled());
        EXPECT_FALSE(del()->isEnabled());
        edit()->click();
        // a loaded row: only the flags open
        EXPECT_TRUE(text()->isReadOnly());
        EXPECT_TRUE(group()->property("locked").toBool());
        EXPECT_TRUE(flag("chkBETAFocus")->isEnabled());
        EXPECT_TRUE(flag("chkmemberFocus")->isChecked());
        flag("chkBETAFocus")->setChecked(true);
        add()->click();
        EXPECT_EQ(cell(0, Column::CommentSequence), QStringLiteral("7U")) << round; // saved again: still 7U
        EXPECT_EQ(cell(0, Column::FocusBETA), QStringLiteral("1"));
        EXPECT_EQ(cell(0, Column::Description), QStringLiteral("Paid in full"));
        EXPECT_EQ(cell(0, Column::CommentDate), QStringLiteral("8/5/2010 03:04PM")); // the entry date stays
    }

    clickRow(1);
    EXPECT_TRUE(del()->isEnabled());
    edit()->click();
    EXPECT_FALSE(text()->isReadOnly());
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Don't call back"));
    EXPECT_FALSE(group()->property("locked").toBool());
    text()->setPlainText(QStringLiteral("Call back tomorrow"));
    type()->setCurrentIndex(1);
    add()->click();
    EXPECT_EQ(rows()[1].mid(0, 7), (QStringList{"Call back tomorrow", "1234", "N", "2", "General", "4", "Letter"}));
}

TEST_F(EditorTest, OnlyRowsASaveCanAddressAreOpened)
{
    const struct {
        const char *sequence;
        const char *afterSave; // nullptr: the row is never opened
    } cases[] = {
        // the "N" test is exact: any other cell with a leading number is a loaded row; without a
        // leading number no save could name the row (the parsing itself is cellrules' table)
        {"7N", "7U"},
        {" 12", "12U"},
        {" N", nullptr},
        {"N1", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sequence);
        model()->clear();
        addRows({newRow({{Column::CommentSequence, c.sequence}})});
        clickRow(0);
        EXPECT_FALSE(del()->isEnabled());
        EXPECT_EQ(edit()->isEnabled(), c.afterSave != nullptr);
        clickRow(0, true);
        if (!c.afterSave) {
            EXPECT_EQ(edit()->text(), QStringLiteral("Edit"));
            control->Mode(true, 1234); // an enabled Edit does not open it either
            edit()->click();
            EXPECT_EQ(edit()->text(), QStringLiteral("Edit"));
            EXPECT_TRUE(list()->isEnabled());
            EXPECT_EQ(cell(0, Column::CommentSequence), QString::fromUtf8(c.sequence));
            continue;
        }
        EXPECT_EQ(edit()->text(), QStringLiteral("Cancel"));
        EXPECT_TRUE(text()->isReadOnly());
        flag("chkBETAFocus")->setChecked(true);
        add()->click();
        EXPECT_EQ(cell(0, Column::CommentSequence), QString::fromUtf8(c.afterSave));
        EXPECT_EQ(cell(0, Column::FocusBETA), QStringLiteral("1"));
    }

    // a row that cannot be shown in full (a retired group, an unreadable flag) is never opened
    model()->clear();
    addRows({newRow(), commentRow({{Column::GroupDescription, "Retired"}, {Column::FocusBETA, ""}})});
    clickRow(0);
    ASSERT_TRUE(flag("chkCenterFocus")->isChecked());
    clickRow(1);
    EXPECT_EQ(group()->currentIndex(), -1); // not the previous row's group
    EXPECT_EQ(type()->currentText(), QStringLiteral("Letter"));
    EXPECT_FALSE(flag("chkCenterFocus")->isChecked()); // this row's flag, not the previous one's
    EXPECT_FALSE(flag("chkBETAFocus")->isChecked());   // unreadable shows unchecked
    EXPECT_FALSE(edit()->isEnabled());
    clickRow(1, true);
    EXPECT_EQ(edit()->text(), QStringLiteral("Edit"));
    EXPECT_EQ(cell(1, Column::CommentSequence), QStringLiteral("7"));
}

TEST_F(EditorTest, SelectionLoadsTheEditorInBothModes)
{
    // the editor reads flags by the cell rules (their table is cellrules')
    const std::pair<const char *, bool> flags[] = {{"-1", true}, {"True", true}, {"0", false}};
    for (const auto &[flagText, checked] : flags) {
        model()->clear();
        addRows({commentRow({{Column::FocusCenter, flagText}})});
        clickRow(0);
        EXPECT_EQ(flag("chkCenterFocus")->isChecked(), checked) << flagText;
        EXPECT_EQ(text()->toPlainText(), QStringLiteral("Paid in full"));
        EXPECT_EQ(group()->currentText(), QStringLiteral("Billing"));
        EXPECT_EQ(type()->currentText(), QStringLiteral("Letter"));
    }

    // read-only mode: the editor follows, the buttons do not
    control->Mode(false, 1234);
    addRows({newRow()});
    clickRow(1);
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Don't call back"));
    EXPECT_FALSE(edit()->isEnabled());
    EXPECT_FALSE(del()->isEnabled());
    clickRow(1, true);
    EXPECT_EQ(edit()->text(), QStringLiteral("Edit")); // not opened in read-only mode
    EXPECT_TRUE(list()->isEnabled());

    control->Mode(true, 1234);
    clickRow(1, true);
    EXPECT_EQ(edit()->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(list()->isEnabled());
}

TEST_F(EditorTest, ArrowKeysLoadTheEditorPageDownDoesNot)
{
    addRows({commentRow(), newRow(), commentRow()});
    // with nothing selected, the first Down chooses the row the cursor stands on: the first one,
    // or the one it stayed on when the selection went
    list()->setFocus();
    for (int round = 0; round < 2; ++round) {
        QTest::keyClick(list(), Qt::Key_Down);
        EXPECT_TRUE(list()->selectionModel()->isRowSelected(0, {})) << round;
        EXPECT_EQ(text()->toPlainText(), QStringLiteral("Paid in full"));
        list()->selectionModel()->clearSelection();
    }
    QTest::keyClick(list(), Qt::Key_Down);
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(list()->currentIndex().row(), 1);
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Don't call back"));
    EXPECT_TRUE(del()->isEnabled());
    QTest::keyClick(list(), Qt::Key_PageDown);
    EXPECT_EQ(list()->currentIndex().row(), 2);
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Don't call back")); // the editor keeps the previous row
}

TEST_F(EditorTest, EditAfterASaveReloadsTheSelectedRowFirst)
{
    addRows({commentRow()});
    clickRow(0);
    add()->click(); // New Comment
    fill(QStringLiteral("new"), 0, 0);
    flag("chkBETAFocus")->setChecked(true);
    add()->click();            // Save: the editor shows the new comment's flags, Edit is disabled
    control->Mode(true, 1234); // ...until the host enables it again without a new click
    const int loaded = column(Column::CommentSequence).indexOf(QStringLiteral("7"));
    ASSERT_GE(loaded, 0);
    list()->setCurrentIndex(model()->index(loaded, 0));
    edit()->click();
    EXPECT_FALSE(flag("chkBETAFocus")->isChecked()); // the selected row's own flag, not the new comment's
    add()->click();
    EXPECT_EQ(cell(loaded, Column::FocusBETA), QStringLiteral("0"));
}

TEST_F(EditorTest, HeaderClicksSortAndCommentDateSortsByDate)
{
    addRows({commentRow({{Column::CommentSequence, "9"}, {Column::CommentDate, "2010/08/05 15:04:09"}}),
             commentRow({{Column::CommentSequence, "10"}, {Column::CommentDate, "Aug 05 2011 03:04PM"}}),
             commentRow({{Column::CommentSequence, "2"}, {Column::CommentDate, "12/31/2009 11:59PM"}}),
             commentRow({{Column::CommentSequence, "3"}, {Column::CommentDate, "not a date"}})});
    model()->setSortKey(Column::CommentSequence);
    model()->setSortOrder(CommentListModel::Descending);
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"9", "3", "2", "10"})); // texts, not numbers

    clickHeader(Column::CommentDate); // first click keeps the current (descending) order
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"10", "9", "2", "3"}));
    EXPECT_EQ(column(Column::CommentDate),
              (QStringList{"8/5/2011 03:04PM", "8/5/2010 03:04PM", "12/31/2009 11:59PM", "not a date"}));
    clickHeader(Column::CommentDate);
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"3", "2", "9", "10"}));
    clickHeader(Column::CommentDate);
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"10", "9", "2", "3"}));

    // the sequence column is hidden from the user; its header reports clicks all the same
    Q_EMIT list()->header()->sectionClicked(Column::CommentSequence); // another column keeps the order
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"9", "3", "2", "10"}));
    Q_EMIT list()->header()->sectionClicked(Column::CommentSequence);
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"10", "2", "3", "9"}));
}

TEST_F(EditorTest, DeleteAsksFirstAndRemovesTheSelectedRow)
{
    addRows({commentRow(), newRow()});
    clickRow(1);
    ASSERT_TRUE(del()->isEnabled());
    const SeenBox no = pressOnNextBox(QMessageBox::No, [&] { del()->click(); });
    EXPECT_EQ(no.text, QStringLiteral("Do you want to delete the selected comment"));
    EXPECT_EQ(no.title, QStringLiteral("Member Comments"));
    EXPECT_EQ(no.icon, QMessageBox::Question);
    EXPECT_EQ(model()->rowCount(), 2);
    EXPECT_TRUE(del()->isEnabled());
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Don't call back"));

    pressOnNextBox(QMessageBox::Yes, [&] { del()->click(); });
    EXPECT_EQ(column(Column::CommentSequence), QStringList{"7"});
    EXPECT_FALSE(del()->isEnabled());
    EXPECT_FALSE(edit()->isEnabled());
    EXPECT_TRUE(text()->toPlainText().isEmpty());
    EXPECT_EQ(control->focusWidget(), add());                     // the box may still hold the activation
    EXPECT_EQ(group()->currentText(), QStringLiteral("General")); // still the removed row's values
}

TEST_F(EditorTest, EnterIsDiscardedTypingStopsAtTheLimitCaptionsTickTheirBoxes)
{
    const std::pair<const char *, const char *> captions[] = {
        {"lblCenterFocus", "chkCenterFocus"},
        {"lblFranchiseRelationsFocus", "chkFranchiseRelationsFocus"},
        {"lblVendorFocus", "chkmemberFocus"},
        {"lblFocusBilling", "chkBETAFocus"}};
    auto clickCaption = [&](const char *name) { QTest::mouseClick(child(name), Qt::LeftButton, {}, QPoint(5, 5)); };
    for (const auto &[caption, box] : captions) {
        clickCaption(caption); // idle: the flags are locked
        EXPECT_FALSE(flag(box)->isChecked()) << caption;
    }
    add()->click();
    for (const auto &[caption, box] : captions) {
        clickCaption(caption);
        EXPECT_TRUE(flag(box)->isChecked()) << caption;
        EXPECT_TRUE(flag(box)->hasFocus()) << caption;
        clickCaption(caption);
        EXPECT_FALSE(flag(box)->isChecked()) << caption;
    }

    text()->setFocus();
    QTest::keyClicks(text(), QStringLiteral("ab"));
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClick(text(), Qt::Key_Enter);
    QTest::keyClick(text(), Qt::Key_Backspace);
    QTest::keyClicks(text(), QStringLiteral("c"));
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("ac"));
    text()->setPlainText(QString(999, QLatin1Char('x')));
    text()->moveCursor(QTextCursor::End);
    QTest::keyClicks(text(), QStringLiteral("yz"));
    EXPECT_EQ(text()->toPlainText(), QString(999, QLatin1Char('x')) + QLatin1Char('y'));
}

TEST_F(EditorTest, CancelAndEveryLoadReturnTheEditorToIdle)
{
    LoadReply reply;
    reply.add(commentRow({{Column::Description, "a"}, {Column::CommentSequence, "1"}}))
        .add(newRow({{Column::Description, "b"}}));
    enum class Before { Selected, Editing, Adding };
    enum class Then { Cancel, Load, FailedLoad };
    const std::pair<Before, Then> cases[] = {
        {Before::Editing, Then::Cancel},     {Before::Adding, Then::Cancel}, {Before::Selected, Then::Load},
        {Before::Editing, Then::Load},       {Before::Adding, Then::Load},   {Before::Selected, Then::FailedLoad},
        {Before::Editing, Then::FailedLoad},
    };
    for (const auto &[before, then] : cases) {
        SCOPED_TRACE(int(before) * 10 + int(then));
        serve(reply);
        ASSERT_TRUE(load().empty());
        const std::vector<QStringList> loaded = rows();
        clickRow(0);
        ASSERT_EQ(text()->toPlainText(), QStringLiteral("b"));
        if (before != Before::Selected) {
            (before == Before::Editing ? edit() : add())->click();
            text()->setPlainText(QStringLiteral("typed"));
            flag("chkBETAFocus")->setChecked(true);
        }
        if (then == Then::Cancel) {
            edit()->click();
            EXPECT_EQ(rows(), loaded);
            EXPECT_EQ(control->focusWidget(), add()); // the box may still hold the activation
        } else {
            if (then == Then::FailedLoad)
                server.reply(500, "down");
            EXPECT_EQ(load().size(), then == Then::Load ? 0u : 1u);
        }
        expectIdle();
        EXPECT_FALSE(flag("chkCenterFocus")->isChecked());
    }
}

TEST_F(EditorTest, LockedTextOfALoadedRowIsSentExactly)
{
    // what a plain-text box would give back differs: CR LF and CR as LF, U+00A0 as a blank, U+2028 as LF
    const QString locked = QString::fromUtf16(u"a\r\nb\rc\u00a0d\u2028e");
    addRows({commentRow({{Column::Description, locked}})});
    clickRow(0);
    edit()->click();
    flag("chkBETAFocus")->click();
    add()->click();
    EXPECT_EQ(rows()[0].mid(0, 3), (QStringList{locked, "1234", "7U"}));

    server.reply(200, "");
    EXPECT_TRUE(save().empty());
    ASSERT_EQ(server.requests().size(), 2u); // the load, the save
    const std::string expected =
        control->urlEncode(QStringLiteral("SET CommentDescription = '%1',").arg(locked)).toStdString();
    EXPECT_NE(server.requests()[1].body.find(expected), std::string::npos) << server.requests()[1].body;
}
