#include <VynMemberComment/MemberComment.h>
#include <VynMemberComment/version.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMetaClassInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionHeader>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using VynMemberComment::MemberComment;

namespace {
QPushButton *button(MemberComment &c, const char *name)
{
    return c.findChild<QPushButton *>(QLatin1String(name));
}

void expectButtons(MemberComment &c, bool add, bool edit, bool del)
{
    EXPECT_EQ(button(c, "cmdAdd")->isEnabled(), add);
    EXPECT_EQ(button(c, "cmdEdit")->isEnabled(), edit);
    EXPECT_EQ(button(c, "cmdDelete")->isEnabled(), del);
    EXPECT_EQ(button(c, "cmdAdd")->text(), QStringLiteral("New Comment"));
    EXPECT_EQ(button(c, "cmdEdit")->text(), QStringLiteral("Edit"));
    EXPECT_EQ(button(c, "cmdDelete")->text(), QStringLiteral("Delete"));
}
} // namespace

TEST(MemberCommentTest, NewControlStartsReadOnlyAndEmpty)
{
    MemberComment c;
    EXPECT_FALSE(c.IsCommentNotEmpty());
    expectButtons(c, false, false, false);
    auto *list = c.findChild<QTreeView *>(QStringLiteral("lstComments"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->model()->rowCount(), 0);
    EXPECT_TRUE(c.findChild<QPlainTextEdit *>(QStringLiteral("txtComment"))->isReadOnly());
    for (const char *name : {"cboCommentGroup", "cboCommentType"}) {
        auto *box = c.findChild<QComboBox *>(QLatin1String(name));
        ASSERT_NE(box, nullptr) << name;
        EXPECT_TRUE(box->property("locked").toBool()) << name;
    }
    for (const char *name : {"chkCenterFocus", "chkFranchiseRelationsFocus", "chkmemberFocus", "chkBETAFocus"}) {
        auto *box = c.findChild<QCheckBox *>(QLatin1String(name));
        ASSERT_NE(box, nullptr) << name;
        EXPECT_FALSE(box->isEnabled()) << name;
        EXPECT_TRUE(box->text().isEmpty()) << name;
    }
    EXPECT_NE(c.findChild<QObject *>(QStringLiteral("fraMain")), nullptr);
}

TEST(MemberCommentTest, ListHasFourteenColumnsWithFiveVisible)
{
    MemberComment c;
    auto *list = c.findChild<QTreeView *>(QStringLiteral("lstComments"));
    const QAbstractItemModel *model = list->model();
    ASSERT_EQ(model->columnCount(), 14);
    const QStringList headers{
        "Comment Description", "MemberID",         "CommentSequence",   "CommentGroup",           "Group Description",
        "CommentType",         "Type Description", "Comment Date",      "Comment Entered By",     "FocusCenter",
        "FocusMembership",     "FocusBETA",        "RecordLastUpdated", "FocusFranchiseRelations"};
    QStringList visible;
    for (int col = 0; col < 14; ++col) {
        EXPECT_EQ(model->headerData(col, Qt::Horizontal).toString(), headers.at(col));
        if (!list->isColumnHidden(col))
            visible << headers.at(col);
    }
    EXPECT_EQ(visible,
              (QStringList{"Comment Description", "Group Description", "Type Description", "Comment Date",
                           "Comment Entered By"}));

    // Widths: W / 5 and W / 5.2 of the list's width in twips, converted at the screen's DPI.
    const double dpi = c.logicalDpiX();
    const double W = qRound(list->width() * 1440.0 / dpi);
    EXPECT_EQ(list->header()->sectionSize(0), qRound(W / 5 * dpi / 1440));
    EXPECT_EQ(list->header()->sectionSize(7), qRound(W / 5 * dpi / 1440));
    EXPECT_EQ(list->header()->sectionSize(8), qRound(W / 5.2 * dpi / 1440));
}

TEST(MemberCommentTest, VersionLabelAndClassInformation)
{
    MemberComment c;
    EXPECT_EQ(c.findChild<QLabel *>(QStringLiteral("lblVersionNumber"))->text(),
              QStringLiteral("Version Number: 2.0.7"));

    const QMetaObject *mo = c.metaObject();
    auto info = [mo](const char *key) { return QString::fromLatin1(mo->classInfo(mo->indexOfClassInfo(key)).value()); };
    EXPECT_EQ(info("ClassID"), QStringLiteral("{198D7217-D4DE-4F1C-9653-67FA935BBF2E}"));
    EXPECT_EQ(info("InterfaceID"), QStringLiteral("{560E874F-A2C1-4BBE-A8A0-77D3F672EF24}"));
    EXPECT_EQ(info("EventsID"), QStringLiteral("{9D0307FA-E2D7-4A3B-9161-AE791DAC51E6}"));
    EXPECT_EQ(info("TypeLibraryID"), QStringLiteral("{BEAC0251-DDBF-11D3-B8F3-0008C7B328E7}"));
    EXPECT_EQ(info("Version"), QStringLiteral(VYNMEMBERCOMMENT_VERSION_STRING));
}

TEST(MemberCommentTest, ModeStoresAndEnablesButtons)
{
    MemberComment c;
    EXPECT_FALSE(c.Mode(true, 1234).isValid());
    expectButtons(c, true, true, false);
    EXPECT_FALSE(c.Mode(false, -5).isValid());
    expectButtons(c, false, false, false);

    // called by name, with and without arguments
    QVariant result = QVariant(1);
    ASSERT_TRUE(
        QMetaObject::invokeMethod(&c, "Mode", Q_RETURN_ARG(QVariant, result), Q_ARG(bool, true), Q_ARG(qint32, 7)));
    EXPECT_FALSE(result.isValid());
    expectButtons(c, true, true, false);
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "Mode", Q_RETURN_ARG(QVariant, result)));
    expectButtons(c, false, false, false);
}

TEST(MemberCommentTest, MembersReachableByName)
{
    MemberComment c;
    EXPECT_FALSE(c.property("IsCommentNotEmpty").toBool());
    EXPECT_TRUE(c.setProperty("IsCommentNotEmpty", true));
    EXPECT_TRUE(c.IsCommentNotEmpty());
    QString result = QStringLiteral("x");
    ASSERT_TRUE(QMetaObject::invokeMethod(&c, "ReadData", Q_RETURN_ARG(QString, result)));
    EXPECT_EQ(result, QString());
    for (const char *member : {"CommentTypes", "CommentGroups"})
        EXPECT_TRUE(QMetaObject::invokeMethod(&c, member)) << member;
    EXPECT_GE(c.metaObject()->indexOfMethod("LoadData(QString,qint16,qint16)"), 0);
    EXPECT_GE(c.metaObject()->indexOfMethod("urlEncode(QString)"), 0);
}

TEST(MemberCommentTest, SizeHintIsTheDesignSize)
{
    MemberComment c;
    EXPECT_EQ(c.sizeHint(), QSize(qRound(8550 * c.logicalDpiX() / 1440.0), qRound(4665 * c.logicalDpiY() / 1440.0)));
}

TEST(MemberCommentTest, ManyControlsComeAndGo)
{
    for (int i = 0; i < 1000; ++i) {
        MemberComment c;
        c.Mode(i % 2 == 0, i);
    }
    SUCCEED();
}

TEST(MemberCommentTest, EveryChildHasAnAccessibleName)
{
    MemberComment c;
    c.show();
    // the boxes are named for what they hold, whatever entry is chosen
    for (const char *name : {"cboCommentGroup", "cboCommentType"}) {
        auto *box = c.findChild<QComboBox *>(QLatin1String(name));
        box->addItem(QStringLiteral("General"), 2);
        box->setCurrentIndex(0);
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(box);
        EXPECT_EQ(face->text(QAccessible::Value), QStringLiteral("General"));
        EXPECT_EQ(face->role(), QAccessible::ComboBox);
        EXPECT_EQ(face->childCount(), 1);
        // and say when they are locked
        EXPECT_TRUE(face->state().readOnly) << name;
        box->setProperty("locked", false);
        EXPECT_FALSE(face->state().readOnly) << name;
        box->setProperty("locked", true);
    }
    const std::pair<const char *, const char *> expected[] = {
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
    for (const auto &[name, accessibleName] : expected) {
        auto *w = c.findChild<QWidget *>(QLatin1String(name));
        ASSERT_NE(w, nullptr) << name;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(face, nullptr) << name;
        EXPECT_EQ(face->text(QAccessible::Name), QLatin1String(accessibleName)) << name;
    }
    // the tab order is the layout's
    QStringList order;
    QWidget *w = c.findChild<QWidget *>(QStringLiteral("lstComments"));
    for (int i = 0; i < 11; ++i, w = w->nextInFocusChain()) {
        while (w->focusPolicy() == Qt::NoFocus || !w->parentWidget()
               || w->parentWidget()->objectName() != QLatin1String("fraMain"))
            w = w->nextInFocusChain();
        order << w->objectName();
    }
    EXPECT_EQ(
        order,
        (QStringList{"lstComments", "cboCommentGroup", "cboCommentType", "txtComment", "cmdAdd", "cmdEdit", "cmdDelete",
                     "chkCenterFocus", "chkFranchiseRelationsFocus", "chkmemberFocus", "chkBETAFocus"}));
}

TEST(MemberCommentTest, CaptionsFitAndLineUp)
{
    MemberComment c;
    c.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&c));
    // "Group :" and "Type :" stand on their box's line
    for (const auto &[caption, box] : {std::pair{"Label2", "cboCommentGroup"}, std::pair{"Label4", "cboCommentType"}})
        EXPECT_EQ(c.findChild<QWidget *>(QLatin1String(caption))->geometry().center().y(),
                  c.findChild<QWidget *>(QLatin1String(box))->geometry().center().y())
            << caption;

    // a header caption too long for its section is elided short of the sort arrow
    struct Peek : QHeaderView {
        using QHeaderView::initStyleOptionForIndex;
    };
    QHeaderView *header = c.findChild<QTreeView *>(QStringLiteral("lstComments"))->header();
    auto shown = [header](int section) { // the caption the header paints
        QStyleOptionHeader option;
        option.initFrom(header);
        option.state |= QStyle::State_Horizontal;
        (header->*&Peek::initStyleOptionForIndex)(&option, section);
        return option.text;
    };
    header->setSortIndicator(8, Qt::DescendingOrder);
    EXPECT_EQ(shown(8), QStringLiteral("Comment Entered By").left(shown(8).size() - 1) + QChar(0x2026));
    EXPECT_EQ(shown(7), QStringLiteral("Comment Date"));
    header->setSortIndicator(7, Qt::DescendingOrder);
    EXPECT_EQ(shown(7), QStringLiteral("Comment Date"));
}
