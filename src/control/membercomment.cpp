#include "control/membercomment_p.h"

#include "control/checkboxcaption.h"
#include "control/colours.h"
#include "control/commenteditor.h"
#include "control/commentlistmodel.h"
#include "control/commentlistview.h"
#include "control/commenttextedit.h"
#include "control/layout.h"
#include "control/lockablecombobox.h"
#include "control/saveexchange.h"

#include <VynMemberComment/version.h>

#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

#include <cmath>

namespace VynMemberComment {

MemberCommentPrivate::MemberCommentPrivate(MemberComment *qq)
    : q(qq)
{
}

MemberCommentPrivate::~MemberCommentPrivate() = default;

void MemberCommentPrivate::buildChildren()
{
    const double dpiX = q->logicalDpiX();
    const double dpiY = q->logicalDpiY();
    auto place = [&](QWidget *child, const char *name) {
        child->setObjectName(QLatin1String(name));
        child->setGeometry(Layout::placement(name, dpiX, dpiY));
    };
    auto label = [&](const char *name, const QString &caption) {
        auto *l = new QLabel(caption, fraMain);
        place(l, name);
        return l;
    };
    auto checkBoxCaption = [&](const char *name, const QString &caption) {
        auto *l = new CheckBoxCaption(caption, fraMain);
        place(l, name);
        return l;
    };
    auto checkBox = [&](const char *name) {
        auto *c = new QCheckBox(fraMain);
        place(c, name);
        c->setEnabled(false);
        return c;
    };
    auto comboBox = [&](const char *name) {
        auto *c = new LockableComboBox(fraMain);
        place(c, name);
        c->setLocked(true);
        setBackColour(c, SystemColour::Menu);
        return c;
    };
    auto button = [&](const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromLatin1(caption), fraMain);
        place(b, name);
        b->setAutoDefault(false);
        return b;
    };

    fraMain = new QFrame(q);
    place(fraMain, "fraMain");
    fraMain->setFrameStyle(QFrame::Box | QFrame::Sunken);

    lstComments = new CommentListView(fraMain);
    place(lstComments, "lstComments");
    comments = lstComments->comments();

    EditorWidgets e;
    QLabel *groupCaption = label("Label2", QStringLiteral("Group :"));
    e.group = comboBox("cboCommentGroup");
    QLabel *typeCaption = label("Label4", QStringLiteral("Type :"));
    e.type = comboBox("cboCommentType");

    e.text = new CommentTextEdit(fraMain);
    place(e.text, "txtComment");
    e.text->setReadOnly(true);
    setBackColour(e.text, SystemColour::ButtonFace);

    e.add = button("cmdAdd", "New Comment");
    e.edit = button("cmdEdit", "Edit");
    e.remove = button("cmdDelete", "Delete");
    e.remove->setEnabled(false);

    e.center = checkBox("chkCenterFocus");
    QLabel *centerCaption = checkBoxCaption("lblCenterFocus", QStringLiteral("Center Focus"));
    e.franchise = checkBox("chkFranchiseRelationsFocus");
    QLabel *franchiseCaption =
        checkBoxCaption("lblFranchiseRelationsFocus", QStringLiteral("Franchise Relations Focus"));
    e.membership = checkBox("chkmemberFocus");
    QLabel *membershipCaption = checkBoxCaption("lblVendorFocus", QStringLiteral("Membership Focus"));
    e.beta = checkBox("chkBETAFocus");
    QLabel *betaCaption = checkBoxCaption("lblFocusBilling", QStringLiteral("BETA Focus"));
    label("lblVersionNumber",
          QStringLiteral("Version Number: %1.%2.%3")
              .arg(VYNMEMBERCOMMENT_VERSION_MAJOR)
              .arg(VYNMEMBERCOMMENT_VERSION_MINOR)
              .arg(VYNMEMBERCOMMENT_VERSION_PATCH));

    // Screen readers name each box by the label beside it.
    fraMain->setAccessibleName(QStringLiteral("Member comments"));
    lstComments->setAccessibleName(QStringLiteral("Comments"));
    e.text->setAccessibleName(QStringLiteral("Comment"));
    const std::pair<QLabel *, QWidget *> buddies[] = {
        {groupCaption, e.group},           {typeCaption, e.type},
        {centerCaption, e.center},         {franchiseCaption, e.franchise},
        {membershipCaption, e.membership}, {betaCaption, e.beta},
    };
    for (const auto &[caption, box] : buddies) {
        caption->setBuddy(box);
        box->setAccessibleName(caption->text().remove(QLatin1Char(':')).trimmed());
    }
    // "Group :" and "Type :" stand on their box's line, whatever the font.
    for (QLabel *caption : {groupCaption, typeCaption}) {
        const QWidget *box = caption->buddy();
        caption->setGeometry(caption->x(), box->y(), caption->width(), box->height());
        caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    QWidget *previous = nullptr;
    for (std::string_view name : Layout::kTabOrder) {
        auto *w = fraMain->findChild<QWidget *>(QLatin1String(name.data(), qsizetype(name.size())),
                                                Qt::FindDirectChildrenOnly);
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }

    editor = std::make_unique<CommentEditor>(e, lstComments);
    Inet1 = new SaveExchange(q);
    Inet1->setObjectName(QStringLiteral("Inet1"));
}

void MemberCommentPrivate::connectHandlers()
{
    const EditorWidgets &e = editor->widgets();
    QObject::connect(e.add, &QPushButton::clicked, q, [this] { editor->addOrSave(mlMemberID, mtEnteredBy); });
    QObject::connect(e.edit, &QPushButton::clicked, q, [this] { editor->editOrCancel(); });
    QObject::connect(e.remove, &QPushButton::clicked, q, [this] { editor->deleteSelected(); });
    QObject::connect(lstComments, &QAbstractItemView::clicked, q, [this] { lstComments_Click(); });
    QObject::connect(lstComments, &QAbstractItemView::doubleClicked, q, [this] { lstComments_DblClick(); });
    QObject::connect(lstComments, &CommentListView::keyReleased, q, [this](int key) { lstComments_KeyUp(key); });
    QObject::connect(lstComments, &CommentListView::columnClicked, q, [this](int h) { lstComments_ColumnClick(h); });
    QObject::connect(Inet1, &Platform::HttpTransfer::finished, Inet1, &SaveExchange::showReply);
}

void MemberCommentPrivate::initialise()
{
    // W is the list's width in twips, kept as a 16-bit number.
    const double dpiX = q->logicalDpiX();
    const auto W = qint16(std::lround(lstComments->width() * 1440.0 / dpiX));
    for (int column = 0; column < Column::Count; ++column) {
        const ColumnSpec &spec = kColumns[std::size_t(column)];
        comments->addColumn(QString::fromLatin1(spec.header));
        if (spec.widthDivisor == 0) {
            lstComments->setColumnHidden(column, true);
        } else {
            const double twips = W / spec.widthDivisor;
            lstComments->header()->resizeSection(column, Layout::twipsToPixels(twips, dpiX));
        }
    }
    editor->enableForMode(mbMode);
}

void MemberCommentPrivate::fitFontToCaptions()
{
    // The fixed layout was drawn for a narrow 8-point face; with a wider one the captions would be
    // cut off, so the control takes the largest size up to 8 points at which every caption (the
    // labels' and the buttons') fits.
    QList<QWidget *> captioned;
    for (QLabel *l : fraMain->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        captioned.append(l);
    for (QPushButton *b : fraMain->findChildren<QPushButton *>(Qt::FindDirectChildrenOnly))
        captioned.append(b);
    QFont f = q->font();
    for (double points = 8.0; points >= 6.0; points -= 0.5) {
        f.setPointSizeF(points);
        const QFontMetrics metrics(f);
        const bool fits = std::all_of(captioned.cbegin(), captioned.cend(), [&](QWidget *w) {
            const QString text = w->property("text").toString();
            return metrics.horizontalAdvance(text) + (qobject_cast<QPushButton *>(w) ? 8 : 0) <= w->width();
        });
        if (fits)
            break;
    }
    q->setFont(f);
}

void MemberCommentPrivate::setBusy(bool busy)
{
    if (busy)
        q->setCursor(Qt::WaitCursor);
    else
        q->unsetCursor();
}

MemberComment::MemberComment(QWidget *parent)
    : QWidget(parent)
    , d(std::make_unique<MemberCommentPrivate>(this))
{
    d->buildChildren();
    d->connectHandlers();
    d->initialise();
    d->fitFontToCaptions();
}

MemberComment::~MemberComment() = default;

QSize MemberComment::sizeHint() const
{
    return QSize(Layout::twipsToPixels(Layout::kDesignWidth, logicalDpiX()),
                 Layout::twipsToPixels(Layout::kDesignHeight, logicalDpiY()));
}

QVariant MemberComment::Mode(bool bMode, qint32 plMemberID)
{
    d->mlMemberID = plMemberID;
    d->mbMode = bMode;
    d->editor->enableForMode(bMode);
    return {};
}

bool MemberComment::IsCommentNotEmpty() const
{
    return d->editor->commentNotEmpty();
}

void MemberComment::setIsCommentNotEmpty(bool value)
{
    d->editor->setCommentNotEmpty(value);
}

} // namespace VynMemberComment
