// The control as a host and a screen reader meet it: its state before a load, Mode, the members
// reached by name, accessible names, the tab order, the list's table for screen readers, and the
// captions' layout.
#include "support/controlfixture.h"

#include <QAccessible>
#include <QHeaderView>
#include <QStyleOptionHeader>

namespace {

using MemberCommentTest = ControlFixture;

void expectButtons(MemberComment &c, bool add, bool edit)
{
    EXPECT_EQ(c.findChild<QPushButton *>(QStringLiteral("cmdAdd"))->isEnabled(), add);
    EXPECT_EQ(c.findChild<QPushButton *>(QStringLiteral("cmdEdit"))->isEnabled(), edit);
    EXPECT_FALSE(c.findChild<QPushButton *>(QStringLiteral("cmdDelete"))->isEnabled());
}

} // namespace

TEST(MemberCommentFaceTest, NewControlIsReadOnlyAndModeIsReachedByName)
{
    const int windows = int(QApplication::topLevelWidgets().size());
    for (int i = 0; i < 100; ++i) {
        MemberComment c;
        EXPECT_FALSE(c.IsCommentNotEmpty());
        expectButtons(c, false, false);
        EXPECT_EQ(c.findChild<QTreeView *>(QStringLiteral("lstComments"))->model()->rowCount(), 0);
        EXPECT_TRUE(c.findChild<QPlainTextEdit *>(QStringLiteral("txtComment"))->isReadOnly());
        for (const char *name : {"cboCommentGroup", "cboCommentType"})
            EXPECT_TRUE(c.findChild<QComboBox *>(QLatin1String(name))->property("locked").toBool()) << name;
        for (const char *name : {"chkCenterFocus", "chkFranchiseRelationsFocus", "chkmemberFocus", "chkBETAFocus"})
            EXPECT_FALSE(c.findChild<QCheckBox *>(QLatin1String(name))->isEnabled()) << name;
        EXPECT_FALSE(c.Mode(i % 2 == 0, i).isValid());
        expectButtons(c, i % 2 == 0, i % 2 == 0);
    }
    // every control came and went whole
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);

    MemberComment c;
    QVariant result = QVariant(1);
    ASSERT_TRUE(
        QMetaObject::invokeMethod(&c, "Mode", Q_RETURN_ARG(QVariant, result), Q_ARG(bool, true), Q_ARG(qint32, 7)));
    EXPECT_FALSE(result.isValid());
    expectButtons(c, true, true);
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "Mode", Q_RETURN_ARG(QVariant, result)));
    expectButtons(c, false, false);

    EXPECT_TRUE(c.setProperty("IsCommentNotEmpty", true));
    EXPECT_TRUE(c.IsCommentNotEmpty());
    QString saved = QStringLiteral("x");
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "ReadData", Q_RETURN_ARG(QString, saved)));
    EXPECT_EQ(saved, QString());
    for (const char *member : {"CommentTypes", "CommentGroups"})
        EXPECT_TRUE(QMetaObject::invokeMethod(&c, member)) << member;
    EXPECT_GE(c.metaObject()->indexOfMethod("LoadData(QString,qint16,qint16)"), 0);
    EXPECT_GE(c.metaObject()->indexOfMethod("urlEncode(QString)"), 0);
}

TEST_F(MemberCommentTest, EveryChildHasAnAccessibleNameInTabOrder)
{
    show();
    // the boxes are named for what they hold, whatever entry is chosen, and say when they are locked
    for (QComboBox *box : {group(), type()}) {
        box->addItem(QStringLiteral("General"), 2);
        box->setCurrentIndex(0);
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(box);
        EXPECT_EQ(face->text(QAccessible::Value), QStringLiteral("General"));
        EXPECT_EQ(face->role(), QAccessible::ComboBox);
        EXPECT_TRUE(face->state().readOnly);
        box->setProperty("locked", false);
        EXPECT_FALSE(face->state().readOnly);
    }
    const std::pair<const char *, const char *> expected[] = {
        {"fraMain", "Member comments"},
        {"lstComments", "Comments"},
        {"cboCommentGroup", "Group"},
        {"cboCommentType", "Type"},
        {"txtComment", "Comment"},
        {"cmdAdd", "New Comment"},
        {"cmdEdit", "Edit"},
        {"cmdDelete", "Delete"},
        {"chkCenterFocus", "Center Focus"},
        {"chkFranchiseRelationsFocus", "Franchise Relations Focus"},
        {"chkmemberFocus", "Membership Focus"},
        {"chkBETAFocus", "BETA Focus"},
    };
    QWidget *w = list();
    for (const auto &[name, accessibleName] : expected) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(child(name));
        ASSERT_NE(face, nullptr) << name;
        EXPECT_EQ(face->text(QAccessible::Name), QLatin1String(accessibleName)) << name;
        if (child(name) == child("fraMain"))
            continue;
        // the tab order is the layout's
        while (w->focusPolicy() == Qt::NoFocus || !w->parentWidget()
               || w->parentWidget()->objectName() != QLatin1String("fraMain"))
            w = w->nextInFocusChain();
        EXPECT_EQ(w->objectName(), QLatin1String(name));
        w = w->nextInFocusChain();
    }
}

TEST_F(MemberCommentTest, ScreenReadersReadTheShownColumnsAndPendingRows)
{
    show();
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(list());
    QAccessibleTableInterface *table = face->tableInterface();
    ASSERT_NE(table, nullptr);
    // the one row of a list chosen: every shown column is
    addRows({commentRow()});
    list()->setCurrentIndex(model()->index(0, 0));
    EXPECT_TRUE(table->isColumnSelected(4) && !table->isColumnSelected(5));
    model()->clear();
    addRows({commentRow(), newRow(), commentRow({{Column::CommentSequence, "7U"}})});
    list()->doItemsLayout();
    const QStringList captions{"Comment Description", "Group Description", "Type Description", "Comment Date",
                               "Comment Entered By"};
    const QStringList shown[] = {{"Paid in full", "Billing", "Letter", "8/5/2010 03:04PM", "clerk1"},
                                 {"Don't call back", "General", "Call", "8/5/2010 03:04PM", "clerk1"}};
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

TEST_F(MemberCommentTest, CaptionsFitAndLineUp)
{
    show();
    // "Group :" and "Type :" stand on their box's line
    for (const auto &[caption, box] : {std::pair{"Label2", "cboCommentGroup"}, std::pair{"Label4", "cboCommentType"}})
        EXPECT_EQ(child(caption)->geometry().center().y(), child(box)->geometry().center().y()) << caption;

    // a header caption too long for its section is elided short of the sort arrow
    struct Peek : QHeaderView {
        using QHeaderView::initStyleOptionForIndex;
    };
    QHeaderView *header = list()->header();
    EXPECT_EQ(header->sectionResizeMode(Column::Description), QHeaderView::Interactive); // the user sizes columns
    auto shown = [header](int section) { // the caption the header paints
        QStyleOptionHeader option;
        option.initFrom(header);
        option.state |= QStyle::State_Horizontal;
        (header->*&Peek::initStyleOptionForIndex)(&option, section);
        return option.text;
    };
    header->setSortIndicator(Column::EnteredBy, Qt::DescendingOrder);
    EXPECT_EQ(shown(Column::EnteredBy), QStringLiteral("Comment Entered By").left(shown(8).size() - 1) + QChar(0x2026));
    EXPECT_EQ(shown(Column::CommentDate), QStringLiteral("Comment Date"));
    header->setSortIndicator(Column::CommentDate, Qt::DescendingOrder);
    EXPECT_EQ(shown(Column::CommentDate), QStringLiteral("Comment Date"));
}
