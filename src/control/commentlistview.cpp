#include "control/commentlistview.h"

#include "control/commentlistmodel.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace VynMemberComment {

CommentListView::CommentListView(QWidget *parent)
    : QTreeView(parent)
    , m_model(new CommentListModel(this))
{
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
        header()->setSortIndicator(column, order == CommentListModel::Ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
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

void CommentListView::keyReleaseEvent(QKeyEvent *event)
{
    QTreeView::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        Q_EMIT keyReleased(event->key());
}

} // namespace VynMemberComment
