// The editor's workflows on a real control: New Comment and Save, Edit and Cancel, Delete, and the
// list's selection, keys and header clicks. Rows and choices are filled through the list model.
#include "control/commentlistmodel.h"
#include "platform/dateforms.h"
#include "support/messageboxes.h"

#include <VynMemberComment/MemberComment.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace VynMemberComment;

namespace {

struct RowSpec {
    const char *text, *sequence, *group, *groupText, *type, *typeText, *date;
    const char *center, *membership, *beta, *franchise;
};

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        control.Mode(true, 1234);
        group()->addItem(QStringLiteral("General"), 2);
        group()->addItem(QStringLiteral("Billing"), 3);
        type()->addItem(QStringLiteral("Call"), 5);
        type()->addItem(QStringLiteral("Letter"), 4);
        group()->setCurrentIndex(-1);
        type()->setCurrentIndex(-1);
        control.resize(control.sizeHint());
        control.show();
        control.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&control));
        Platform::setClock([] { return QDateTime(QDate(2010, 8, 5), QTime(15, 7, 9)); });
    }
    void TearDown() override { Platform::setClock({}); }

    template<typename T>
    T *child(const char *name)
    {
        return control.findChild<T *>(QLatin1String(name));
    }
    QTreeView *list() { return child<QTreeView>("lstComments"); }
    CommentListModel *model() { return qobject_cast<CommentListModel *>(list()->model()); }
    QComboBox *group() { return child<QComboBox>("cboCommentGroup"); }
    QComboBox *type() { return child<QComboBox>("cboCommentType"); }
    QPlainTextEdit *text() { return child<QPlainTextEdit>("txtComment"); }
    QPushButton *add() { return child<QPushButton>("cmdAdd"); }
    QPushButton *edit() { return child<QPushButton>("cmdEdit"); }
    QPushButton *del() { return child<QPushButton>("cmdDelete"); }
    QCheckBox *flag(const char *name) { return child<QCheckBox>(name); }

    void addRows(std::initializer_list<RowSpec> specs)
    {
        std::vector<CommentRow> rows;
        for (const RowSpec &s : specs) {
            CommentRow r(QString::fromUtf8(s.text));
            for (const char *cell : {"1234", s.sequence, s.group, s.groupText, s.type, s.typeText, s.date, "clerk",
                                     s.center, s.membership, s.beta, "Aug 05 2010 03:07PM", s.franchise})
                r.appendCell(QString::fromUtf8(cell));
            rows.push_back(std::move(r));
        }
        model()->appendRows(std::move(rows));
    }
    QString cell(int row, int column) { return model()->cell(row, column); }

    // Clicks the row at a display position, as the user would.
    void clickRow(int position)
    {
        const QRect r = list()->visualRect(model()->index(position, 0));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, r.center());
    }
    void doubleClickRow(int position)
    {
        const QRect r = list()->visualRect(model()->index(position, 0));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, r.center());
    }
    void clickHeader(int column)
    {
        QHeaderView *h = list()->header();
        const int x = h->sectionViewportPosition(column) + h->sectionSize(column) / 2;
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
    }
    QStringList column(int c)
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << cell(r, c);
        return out;
    }

    MemberComment control;
};

const RowSpec kLoaded{"Paid in full", "7", "3", "Billing", "4", "Letter", "8/5/2010 03:04PM", "0", "1", "0", "0"};
const RowSpec kNew{"Call back", "N", "2", "General", "5", "Call", "8/6/2010 09:00AM", "1", "0", "0", "1"};

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
        control.setIsCommentNotEmpty(false);
        text()->setPlainText(QString::fromUtf8(c.typed));
        group()->setCurrentIndex(c.groupIndex);
        type()->setCurrentIndex(c.typeIndex);
        const SeenBox box = pressOnNextBox(QMessageBox::Ok, [&] { add()->click(); });
        EXPECT_EQ(box.text, QString::fromUtf8(c.message));
        EXPECT_EQ(box.title, QStringLiteral("VynMemberComment"));
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        EXPECT_EQ(control.IsCommentNotEmpty(), c.notEmpty) << c.message;
        EXPECT_EQ(add()->text(), QStringLiteral("Save"));
        EXPECT_EQ(model()->rowCount(), 0);
    }

    text()->setPlainText(QStringLiteral("  Don't call back"));
    group()->setCurrentIndex(0);
    type()->setCurrentIndex(0);
    flag("chkCenterFocus")->setChecked(true);
    flag("chkFranchiseRelationsFocus")->setChecked(true);
    EXPECT_EQ(countBoxes([&] { add()->click(); }), 0);
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(column(0), QStringList{"  Don't call back"});
    const QStringList expected{
        "  Don't call back",   "1234", "N", "2", "General", "5", "Call", "8/5/2010 03:07PM", "", "1", "0", "0",
        "Aug 05 2010 03:07PM", "1"};
    for (int c = 0; c < 14; ++c)
        EXPECT_EQ(cell(0, c), expected.at(c)) << c;
    // back to idle: flags disabled but showing what was saved, choices kept, list active
    EXPECT_EQ(add()->text(), QStringLiteral("New Comment"));
    EXPECT_EQ(edit()->text(), QStringLiteral("Edit"));
    EXPECT_FALSE(edit()->isEnabled());
    EXPECT_TRUE(text()->isReadOnly());
    EXPECT_TRUE(text()->toPlainText().isEmpty());
    EXPECT_FALSE(flag("chkCenterFocus")->isEnabled());
    EXPECT_TRUE(flag("chkCenterFocus")->isChecked());
    EXPECT_EQ(group()->currentText(), QStringLiteral("General"));
    EXPECT_TRUE(group()->property("locked").toBool());
    EXPECT_TRUE(list()->isEnabled());
}

TEST_F(EditorTest, EditMarksLoadedRowsChangedAndKeepsNewRowsNew)
{
    addRows({kLoaded, kNew});
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
        EXPECT_EQ(cell(0, 2), QStringLiteral("7U")) << round; // saved again: still 7U
        EXPECT_EQ(cell(0, 11), QStringLiteral("1"));
        EXPECT_EQ(cell(0, 0), QStringLiteral("Paid in full"));
        EXPECT_EQ(cell(0, 7), QStringLiteral("8/5/2010 03:04PM")); // the entry date stays
    }

    clickRow(1);
    EXPECT_TRUE(del()->isEnabled());
    edit()->click();
    EXPECT_FALSE(text()->isReadOnly());
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Call back"));
    EXPECT_FALSE(group()->property("locked").toBool());
    text()->setPlainText(QStringLiteral("Call back tomorrow"));
    type()->setCurrentIndex(1);
    add()->click();
    EXPECT_EQ(cell(1, 2), QStringLiteral("N"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("Call back tomorrow"));
    EXPECT_EQ(cell(1, 5), QStringLiteral("4"));
    EXPECT_EQ(cell(1, 6), QStringLiteral("Letter"));
}

TEST_F(EditorTest, CancelDropsTheEditorAfterEditAndAfterNewComment)
{
    addRows({kNew});
    for (bool viaEdit : {true, false}) {
        clickRow(0);
        if (viaEdit)
            edit()->click();
        else
            add()->click();
        text()->setPlainText(QStringLiteral("typed"));
        flag("chkBETAFocus")->setChecked(true);
        edit()->click(); // Cancel
        EXPECT_EQ(model()->rowCount(), 1);
        EXPECT_EQ(cell(0, 0), QStringLiteral("Call back"));
        EXPECT_EQ(cell(0, 11), QStringLiteral("0"));
        EXPECT_EQ(add()->text(), QStringLiteral("New Comment"));
        EXPECT_EQ(edit()->text(), QStringLiteral("Edit"));
        EXPECT_FALSE(edit()->isEnabled());
        EXPECT_TRUE(text()->toPlainText().isEmpty());
        EXPECT_EQ(group()->currentIndex(), -1);
        EXPECT_EQ(type()->currentIndex(), -1);
        EXPECT_FALSE(flag("chkBETAFocus")->isChecked());
        EXPECT_FALSE(flag("chkBETAFocus")->isEnabled());
        EXPECT_TRUE(list()->isEnabled());
        EXPECT_EQ(control.focusWidget(), add()); // the box may still hold the activation
    }
}

TEST_F(EditorTest, OnlyRowsASaveCanAddressAreOpened)
{
    const struct {
        const char *sequence;
        const char *afterSave; // nullptr: the row is never opened
    } cases[] = {
        // the "N" test is exact: any other cell with a leading number is a loaded row
        {"7N", "7U"},
        {"-7", "-7U"},
        {" 12", "12U"},
        // no leading number: no save could name the row
        {" N", nullptr},
        {"n", nullptr},
        {"N1", nullptr},
        {"abc", nullptr},
        {" ", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sequence);
        model()->clear();
        RowSpec spec = kNew;
        spec.sequence = c.sequence;
        addRows({spec});
        clickRow(0);
        EXPECT_FALSE(del()->isEnabled());
        EXPECT_EQ(edit()->isEnabled(), c.afterSave != nullptr);
        doubleClickRow(0);
        if (!c.afterSave) {
            EXPECT_EQ(edit()->text(), QStringLiteral("Edit"));
            control.Mode(true, 1234); // an enabled Edit does not open it either
            edit()->click();
            EXPECT_EQ(edit()->text(), QStringLiteral("Edit"));
            EXPECT_TRUE(list()->isEnabled());
            EXPECT_EQ(cell(0, 2), QString::fromUtf8(c.sequence));
            continue;
        }
        EXPECT_EQ(edit()->text(), QStringLiteral("Cancel"));
        EXPECT_TRUE(text()->isReadOnly());
        flag("chkBETAFocus")->setChecked(true);
        add()->click();
        EXPECT_EQ(cell(0, 2), QString::fromUtf8(c.afterSave));
        EXPECT_EQ(cell(0, 11), QStringLiteral("1"));
    }
}

TEST_F(EditorTest, NewCommentTextIsWhatTheBoxHolds)
{
    // every character stays; a line break pasted in is written as CR LF
    add()->click();
    text()->setPlainText(QString::fromUtf16(u"\u00a0x\u2028y\nz\u2029w"));
    group()->setCurrentIndex(0);
    type()->setCurrentIndex(0);
    control.setIsCommentNotEmpty(false);
    add()->click();
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_TRUE(column(0).contains(QString::fromUtf16(u"\u00a0x\u2028y\r\nz\r\nw")));
    EXPECT_TRUE(control.IsCommentNotEmpty());

    // a text of non-breaking spaces only is not blank
    add()->click();
    text()->setPlainText(QString::fromUtf16(u"\u00a0"));
    group()->setCurrentIndex(0);
    type()->setCurrentIndex(0);
    EXPECT_EQ(countBoxes([&] { add()->click(); }), 0);
    EXPECT_TRUE(column(0).contains(QString::fromUtf16(u"\u00a0")));
}

TEST_F(EditorTest, SelectionLoadsTheEditorInBothModes)
{
    struct {
        const char *flagText;
        bool checked;
    } const flags[] = {{"1", true},    {"-1", true}, {"2", true},     {"True", true},
                       {"true", true}, {"0", false}, {"False", false}};
    for (const auto &f : flags) {
        model()->clear();
        RowSpec spec = kLoaded;
        spec.center = f.flagText;
        addRows({spec});
        clickRow(0);
        EXPECT_EQ(flag("chkCenterFocus")->isChecked(), f.checked) << f.flagText;
        EXPECT_EQ(text()->toPlainText(), QStringLiteral("Paid in full"));
        EXPECT_EQ(group()->currentText(), QStringLiteral("Billing"));
        EXPECT_EQ(type()->currentText(), QStringLiteral("Letter"));
    }

    // read-only mode: the editor follows, the buttons do not
    control.Mode(false, 1234);
    addRows({kNew});
    clickRow(1);
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Call back"));
    EXPECT_FALSE(edit()->isEnabled());
    EXPECT_FALSE(del()->isEnabled());
    doubleClickRow(1);
    EXPECT_EQ(edit()->text(), QStringLiteral("Edit")); // not opened in read-only mode
    EXPECT_TRUE(list()->isEnabled());

    control.Mode(true, 1234);
    doubleClickRow(1);
    EXPECT_EQ(edit()->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(list()->isEnabled());
}

TEST_F(EditorTest, RowThatCannotBeShownInFullIsNeverOpened)
{
    RowSpec odd = kLoaded;
    odd.groupText = "Retired group";
    odd.beta = "";
    addRows({kNew, odd});
    clickRow(0);
    ASSERT_TRUE(flag("chkCenterFocus")->isChecked());
    clickRow(1);
    EXPECT_EQ(group()->currentIndex(), -1); // not the previous row's group
    EXPECT_EQ(type()->currentText(), QStringLiteral("Letter"));
    EXPECT_FALSE(flag("chkCenterFocus")->isChecked()); // this row's flag, not the previous one's
    EXPECT_FALSE(flag("chkBETAFocus")->isChecked());   // unreadable shows unchecked
    EXPECT_FALSE(edit()->isEnabled());
    doubleClickRow(1);
    EXPECT_EQ(edit()->text(), QStringLiteral("Edit"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("7"));
}

TEST_F(EditorTest, ArrowKeysLoadTheEditorPageDownDoesNot)
{
    addRows({kLoaded, kNew, kLoaded});
    // with nothing selected, the first Down chooses the first row
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_TRUE(list()->selectionModel()->isRowSelected(0, {}));
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Paid in full"));
    clickRow(0);
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(list()->currentIndex().row(), 1);
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Call back"));
    EXPECT_TRUE(del()->isEnabled());
    QTest::keyClick(list(), Qt::Key_PageDown);
    EXPECT_EQ(list()->currentIndex().row(), 2);
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Call back")); // the editor keeps the previous row

    // Edit then opens the row actually selected, never with the previous row's values
    edit()->click();
    EXPECT_TRUE(flag("chkmemberFocus")->isChecked());
    EXPECT_EQ(group()->currentText(), QStringLiteral("Billing"));
    edit()->click();
}

TEST_F(EditorTest, EditAfterASaveReloadsTheSelectedRowFirst)
{
    addRows({kLoaded});
    clickRow(0);
    add()->click(); // New Comment
    text()->setPlainText(QStringLiteral("new"));
    group()->setCurrentIndex(0);
    type()->setCurrentIndex(0);
    flag("chkBETAFocus")->setChecked(true);
    add()->click();           // Save: the editor shows the new comment's flags, Edit is disabled
    control.Mode(true, 1234); // ...until the host enables it again without a new click
    const int loaded = column(2).indexOf(QStringLiteral("7"));
    list()->setCurrentIndex(model()->index(loaded, 0));
    edit()->click();
    EXPECT_FALSE(flag("chkBETAFocus")->isChecked()); // the selected row's own flag, not the new comment's
    add()->click();
    EXPECT_EQ(cell(loaded, 11), QStringLiteral("0"));
}

TEST_F(EditorTest, HeaderClicksSortAndCommentDateSortsByDate)
{
    RowSpec a = kLoaded, b = kLoaded, c = kLoaded, d = kLoaded;
    a.sequence = "9";
    a.date = "2010/08/05 15:04:09";
    b.sequence = "10";
    b.date = "Aug 05 2011 03:04PM";
    c.sequence = "2";
    c.date = "12/31/2009 11:59PM";
    d.sequence = "3";
    d.date = "not a date";
    addRows({a, b, c, d});
    model()->setSortKey(2);
    model()->setSortOrder(CommentListModel::Descending);
    EXPECT_EQ(column(2), (QStringList{"9", "3", "2", "10"})); // texts, not numbers

    clickHeader(7); // first click keeps the current (descending) order
    EXPECT_EQ(column(2), (QStringList{"10", "9", "2", "3"}));
    EXPECT_EQ(column(7), (QStringList{"8/5/2011 03:04PM", "8/5/2010 03:04PM", "12/31/2009 11:59PM", "not a date"}));
    clickHeader(7);
    EXPECT_EQ(column(2), (QStringList{"3", "2", "9", "10"}));
    clickHeader(7);
    EXPECT_EQ(column(2), (QStringList{"10", "9", "2", "3"}));

    // the sequence column is hidden from the user; its header reports clicks all the same
    Q_EMIT list()->header()->sectionClicked(2); // another column keeps the order
    EXPECT_EQ(column(2), (QStringList{"9", "3", "2", "10"}));
    Q_EMIT list()->header()->sectionClicked(2);
    EXPECT_EQ(column(2), (QStringList{"10", "2", "3", "9"}));
}

TEST_F(EditorTest, DeleteAsksFirstAndRemovesTheSelectedRow)
{
    addRows({kLoaded, kNew});
    clickRow(1);
    ASSERT_TRUE(del()->isEnabled());
    const SeenBox no = pressOnNextBox(QMessageBox::No, [&] { del()->click(); });
    EXPECT_EQ(no.text, QStringLiteral("Do you want to delete the selected comment"));
    EXPECT_EQ(no.title, QStringLiteral("Member Comments"));
    EXPECT_EQ(no.icon, QMessageBox::Question);
    EXPECT_EQ(model()->rowCount(), 2);
    EXPECT_TRUE(del()->isEnabled());
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("Call back"));

    pressOnNextBox(QMessageBox::Yes, [&] { del()->click(); });
    EXPECT_EQ(column(2), QStringList{"7"});
    EXPECT_FALSE(del()->isEnabled());
    EXPECT_FALSE(edit()->isEnabled());
    EXPECT_TRUE(text()->toPlainText().isEmpty());
    EXPECT_EQ(control.focusWidget(), add());                      // the box may still hold the activation
    EXPECT_EQ(group()->currentText(), QStringLiteral("General")); // still the removed row's values
}

TEST_F(EditorTest, EnterIsDiscardedAndTypingStopsAtTheLimit)
{
    add()->click();
    QTest::keyClicks(text(), QStringLiteral("ab"));
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClick(text(), Qt::Key_Enter);
    QTest::keyClick(text(), Qt::Key_Backspace);
    QTest::keyClicks(text(), QStringLiteral("c"));
    EXPECT_EQ(text()->toPlainText(), QStringLiteral("ac"));
    text()->setPlainText(QString(999, QLatin1Char('x')));
    text()->moveCursor(QTextCursor::End);
    QTest::keyClicks(text(), QStringLiteral("yz"));
    EXPECT_EQ(text()->toPlainText().size(), 1000);
}

TEST_F(EditorTest, FlagCaptionsTickTheirBoxesWhileTheyAreOpen)
{
    const std::pair<const char *, const char *> captions[] = {
        {"lblCenterFocus", "chkCenterFocus"},
        {"lblFranchiseRelationsFocus", "chkFranchiseRelationsFocus"},
        {"lblVendorFocus", "chkmemberFocus"},
        {"lblFocusBilling", "chkBETAFocus"},
    };
    auto clickCaption = [&](const char *name) {
        QTest::mouseClick(child<QWidget>(name), Qt::LeftButton, {}, QPoint(5, 5));
    };
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
}

TEST_F(EditorTest, ScreenReadersReadTheShownColumnsAndPendingRows)
{
    RowSpec changed = kLoaded;
    changed.sequence = "7U";
    addRows({kLoaded, kNew, changed});
    list()->doItemsLayout();
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(list());
    QAccessibleTableInterface *table = face->tableInterface();
    ASSERT_NE(table, nullptr);
    const QStringList captions{"Comment Description", "Group Description", "Type Description", "Comment Date",
                               "Comment Entered By"};
    const QStringList shown[] = {{"Paid in full", "Billing", "Letter", "8/5/2010 03:04PM", "clerk"},
                                 {"Call back", "General", "Call", "8/6/2010 09:00AM", "clerk"}};
    const QString said[] = {QString(), QStringLiteral("New comment, not saved yet"),
                            QStringLiteral("Changed comment, not saved yet")};
    ASSERT_EQ(table->columnCount(), 5);
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->cellAt(0, 5), nullptr);
    EXPECT_EQ(table->cellAt(3, 0), nullptr);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 5; ++c) {
            QAccessibleInterface *cell = table->cellAt(r, c);
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->text(QAccessible::Name), shown[r % 2][c]) << r << " " << c;
            EXPECT_EQ(cell->text(QAccessible::Description), said[r]) << r << " " << c;
            EXPECT_EQ(cell->tableCellInterface()->rowIndex(), r);
            EXPECT_EQ(cell->tableCellInterface()->columnIndex(), c);
            const QList<QAccessibleInterface *> header = cell->tableCellInterface()->columnHeaderCells();
            ASSERT_EQ(header.size(), 1);
            EXPECT_EQ(header[0]->text(QAccessible::Name), captions[c]);
        }
        EXPECT_EQ(table->columnDescription(r), captions[r]);
    }
    // Children are numbered as Qt numbers a tree view's (the focus and selection events it sends
    // name them so); those of hidden columns are invisible.
    QTreeView plain;
    plain.setModel(model());
    plain.doItemsLayout();
    QAccessibleInterface *qts = QAccessible::queryAccessibleInterface(&plain);
    ASSERT_EQ(face->childCount(), qts->childCount());
    QStringList visible;
    for (int i = 0; i < face->childCount(); ++i) {
        QAccessibleInterface *child = face->child(i);
        EXPECT_EQ(child->text(QAccessible::Name), qts->child(i)->text(QAccessible::Name)) << i;
        EXPECT_EQ(face->indexOfChild(child), i);
        if (!child->state().invisible)
            visible << child->text(QAccessible::Name);
    }
    EXPECT_EQ(visible, captions + shown[0] + shown[1] + shown[0]);

    // after a keyboard move the current cell is the selected row's first
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Down);
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(face->focusChild(), table->cellAt(1, 0));
    EXPECT_TRUE(table->cellAt(1, 0)->state().focused);
    EXPECT_EQ(table->selectedRows(), QList<int>{1});
    EXPECT_EQ(table->selectedCellCount(), 5);
    EXPECT_EQ(table->selectedCells().first()->tableCellInterface()->rowIndex(), 1);

    // cells are made anew when the rows move; a row is chosen only while the user could choose it
    const QAccessible::Id before = QAccessible::uniqueId(table->cellAt(1, 0));
    QAccessibleTableModelChangeEvent moved(list(), QAccessibleTableModelChangeEvent::ModelReset);
    table->modelChange(&moved);
    ASSERT_NE(table->cellAt(1, 0), nullptr);
    EXPECT_NE(QAccessible::uniqueId(table->cellAt(1, 0)), before);
    EXPECT_TRUE(table->selectRow(2));
    add()->click();
    EXPECT_FALSE(table->selectRow(0));
    EXPECT_EQ(table->selectedRows(), QList<int>{2});
}
