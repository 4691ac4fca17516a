#include "control/commentlistview.h"

#include "control/commentlistaccessible.h"
#include "control/commentlistmodel.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

namespace VynMemberComment {

namespace {

// Styles draw the sort arrow over the end of a caption that fills its section, cutting it mid-word.
class CommentListHeader : public QHeaderView
{
public:
    explicit CommentListHeader(QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
    {
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter); // as QTreeView's own header
    }

protected:
    void initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const override
    {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        option->rect = QRect(sectionViewportPosition(logicalIndex), 0, sectionSize(logicalIndex), height());
        QRect label = style()->subElementRect(QStyle::SE_HeaderLabel, option, this);
        if (option->sortIndicator != QStyleOptionHeader::None) {
            const QRect arrow = style()->subElementRect(QStyle::SE_HeaderArrow, option, this);
            if (arrow.intersects(label)) {
                if (option->direction == Qt::RightToLeft)
                    label.setLeft(arrow.right() + 1);
                else
                    label.setRight(arrow.left() - 1);
            }
        }
        if (label.width() > 0) // not yet laid out otherwise
            option->text = option->fontMetrics.elidedText(option->text, Qt::ElideRight, label.width());
    }
};

// Paints the shown text of a cell, not its whole text: reading a cell of megabytes on every paint
// froze the list, and a text of many lines made every row that tall. The list's cells have no
// roles beyond text and font, so nothing else of the base class's reading is missed.
class ShownTextDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        option->index = index;
        if (const QVariant font = index.data(Qt::FontRole); font.isValid()) {
            option->font = qvariant_cast<QFont>(font).resolve(option->font);
            option->fontMetrics = QFontMetrics(option->font);
        }
        option->features |= QStyleOptionViewItem::HasDisplay;
        option->text = index.data(CommentListModel::ShownTextRole).toString();
        option->styleObject = nullptr;
    }
};

} // namespace

CommentListView::CommentListView(QWidget *parent)
    : QTreeView(parent)
    , m_model(new CommentListModel(this))
{
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleCommentList), true);
    Q_UNUSED(factoryInstalled);
    setHeader(new CommentListHeader(this));
    setItemDelegate(new ShownTextDelegate(this));
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // keeps 100,000 rows cheap to lay out
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    QHeaderView *h = header();
    h->setSectionsClickable(true);
    h->setSectionsMovable(false);
    h->setStretchLastSection(false);
    h->setSectionResizeMode(QHeaderView::Interactive);
    h->setSortIndicatorShown(true);
    h->setSortIndicator(-1, Qt::AscendingOrder);
    connect(h, &QHeaderView::sectionClicked, this, [this](int logical) { Q_EMIT columnClicked(logical + 1); });
    connect(m_model, &CommentListModel::sorted, this, [this](int column, int order) {
        header()->setSortIndicator(column,
                                   order == CommentListModel::Ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
}

int CommentListView::selectedRow() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), QModelIndex()))
        return -1;
    return current.row();
}

void CommentListView::selectRow(int position)
{
    const QModelIndex target = m_model->index(position, 0);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CommentListView::keyPressEvent(QKeyEvent *event)
{
    // With no row chosen, the first Up or Down chooses the row the cursor stands on (the first one
    // after a load) rather than the one past it.
    const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (arrow && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && selectedRow() < 0
        && m_model->rowCount() > 0) {
        selectRow(currentIndex().isValid() ? currentIndex().row() : 0);
        scrollTo(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CommentListView::keyReleaseEvent(QKeyEvent *event)
{
    QTreeView::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        Q_EMIT keyReleased(event->key());
}

} // namespace VynMemberComment
