#include "control/commentlistaccessible.h"

#include "control/commentlistview.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace VynMemberComment {

namespace {

class ListCell;

// The list and its table. Children keep the numbering Qt's tree view uses in the focus and
// selection events it sends (the header's sections, then each row's cells, one per model column),
// so a screen reader that follows focus lands on the right cell; the table itself holds only the
// shown columns, and the cells of hidden ones say they are invisible.
class ListAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit ListAccessible(QTreeView *view)
        : QAccessibleWidget(view, QAccessible::Tree)
    {
    }
    ~ListAccessible() override { forget(); }

    QTreeView *view() const { return static_cast<QTreeView *>(widget()); }
    int modelColumns() const { return view()->model()->columnCount(); }
    // Model columns as the header shows them, left to right.
    QList<int> shownColumns() const
    {
        const QHeaderView *header = view()->header();
        QList<int> shown;
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            if (!header->isSectionHidden(logical))
                shown.append(logical);
        }
        return shown;
    }
    // The place of a model column in the table, or -1 for a hidden one.
    int tableColumn(int modelColumn) const { return int(shownColumns().indexOf(modelColumn)); }
    // The header section (row -1) or cell at a place, made once and kept until the places move.
    QAccessibleInterface *part(int row, int column) const;

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    int childCount() const override { return (rowCount() + 1) * modelColumns(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        return part(index / modelColumns() - 1, index % modelColumns());
    }
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint inViewport = view()->viewport()->mapFromGlobal(QPoint(x, y));
        if (view()->viewport()->rect().contains(inViewport)) {
            const QModelIndex index = view()->indexAt(inViewport);
            return index.isValid() ? part(index.row(), index.column()) : nullptr;
        }
        const QHeaderView *header = view()->header();
        const QPoint inHeader = header->mapFromGlobal(QPoint(x, y));
        const int section = header->logicalIndexAt(inHeader);
        return header->isVisible() && header->rect().contains(inHeader) && section >= 0 ? part(-1, section) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? part(current.row(), current.column()) : nullptr;
    }

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        const QList<int> shown = shownColumns();
        if (row < 0 || row >= rowCount() || column < 0 || column >= shown.size())
            return nullptr;
        return part(row, shown.at(column));
    }
    int selectedCellCount() const override { return int(selectedCells().size()); }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> cells;
        for (const QModelIndex &index : selection()->selectedIndexes()) {
            if (!view()->isColumnHidden(index.column()))
                cells.append(part(index.row(), index.column()));
        }
        return cells;
    }
    QString columnDescription(int column) const override
    {
        const QList<int> shown = shownColumns();
        if (column < 0 || column >= shown.size())
            return QString();
        return view()->model()->headerData(shown.at(column), Qt::Horizontal).toString();
    }
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return int(selectedColumns().size()); }
    QList<int> selectedColumns() const override
    {
        QList<int> columns;
        for (const QModelIndex &index : selection()->selectedColumns()) {
            const int column = tableColumn(index.column());
            if (column >= 0)
                columns.append(column);
        }
        return columns;
    }
    int selectedRowCount() const override { return int(selection()->selectedRows().size()); }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        for (const QModelIndex &index : selection()->selectedRows())
            rows.append(index.row());
        return rows;
    }
    int columnCount() const override { return int(shownColumns().size()); }
    int rowCount() const override { return view()->model()->rowCount(); }
    bool isColumnSelected(int column) const override
    {
        const QList<int> shown = shownColumns();
        return column >= 0 && column < shown.size() && selection()->isColumnSelected(shown.at(column));
    }
    bool isRowSelected(int row) const override { return selection()->isRowSelected(row); }
    // The list chooses one whole row at a time, and only while the user could choose it; a chosen
    // row is replaced by another, never cleared.
    bool selectRow(int row) override
    {
        const QModelIndex index = view()->model()->index(row, 0);
        if (!index.isValid() || !view()->isEnabled())
            return false;
        selection()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    // Cells are known by their place: when places move, the old ones go and are asked for anew.
    void modelChange(QAccessibleTableModelChangeEvent *event) override
    {
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            forget();
    }

private:
    QItemSelectionModel *selection() const { return view()->selectionModel(); }
    void forget()
    {
        for (QAccessible::Id id : std::as_const(m_parts))
            QAccessible::deleteAccessibleInterface(id);
        m_parts.clear();
    }

    mutable QHash<QPair<int, int>, QAccessible::Id> m_parts;
};

// A header section (row -1) or a cell of the list, at a place given by row and model column.
class ListCell : public QAccessibleInterface, public QAccessibleTableCellInterface, public QAccessibleActionInterface
{
public:
    ListCell(ListAccessible *list, int row, int column)
        : m_list(list)
        , m_row(row)
        , m_column(column)
    {
    }

    const ListAccessible *list() const { return m_list; }
    int row() const { return m_row; }
    int column() const { return m_column; }
    bool isHeader() const { return m_row < 0; }

    bool isValid() const override
    {
        return m_list->isValid() && m_row < m_list->rowCount() && m_column < m_list->modelColumns();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_list->window(); }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return m_list; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Description))
            return QString();
        const QAbstractItemModel *model = view()->model();
        const auto read = [&](int role) {
            return (isHeader() ? model->headerData(m_column, Qt::Horizontal, role)
                               : model->index(m_row, m_column).data(role))
                .toString();
        };
        if (t == QAccessible::Description)
            return read(Qt::AccessibleDescriptionRole);
        const QString spoken = read(Qt::AccessibleTextRole);
        return spoken.isEmpty() ? read(Qt::DisplayRole) : spoken;
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid() || view()->isColumnHidden(m_column))
            return QRect();
        if (isHeader()) {
            const QHeaderView *header = view()->header();
            return QRect(header->mapToGlobal(QPoint(header->sectionViewportPosition(m_column), 0)),
                         QSize(header->sectionSize(m_column), header->height()));
        }
        const QRect r = view()->visualRect(index());
        return r.isNull() ? r : r.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override { return isHeader() ? QAccessible::ColumnHeader : QAccessible::TreeItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        const bool hidden = view()->isColumnHidden(m_column);
        if (isHeader()) {
            s.invisible = hidden || !view()->header()->isVisible();
            s.disabled = !view()->header()->isEnabled();
            return s;
        }
        const QModelIndex here = index();
        s.invisible = hidden || !QRect(view()->mapToGlobal(QPoint(0, 0)), view()->size()).intersects(rect());
        s.selected = view()->selectionModel()->isSelected(here);
        s.focused = view()->currentIndex() == here;
        s.selectable = s.focusable = here.flags().testFlag(Qt::ItemIsSelectable);
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (isHeader())
            return nullptr;
        if (t == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface *>(this);
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    bool isSelected() const override { return isValid() && view()->selectionModel()->isSelected(index()); }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        if (!isValid() || view()->isColumnHidden(m_column))
            return {};
        return {m_list->part(-1, m_column)};
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return isValid() ? m_list->tableColumn(m_column) : -1; }
    int rowIndex() const override { return isValid() ? m_row : -1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return m_list; }

    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString &name) override
    {
        if (name == toggleAction() && isValid() && !isSelected())
            m_list->selectRow(m_row);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QTreeView *view() const { return m_list->view(); }
    QModelIndex index() const { return view()->model()->index(m_row, m_column); }

    ListAccessible *const m_list;
    const int m_row;
    const int m_column;
};

QAccessibleInterface *ListAccessible::part(int row, int column) const
{
    const QPair<int, int> place(row, column);
    if (const auto known = m_parts.constFind(place); known != m_parts.constEnd())
        return QAccessible::accessibleInterface(known.value());
    auto *cell = new ListCell(const_cast<ListAccessible *>(this), row, column);
    m_parts.insert(place, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

int ListAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const auto *cell = dynamic_cast<const ListCell *>(child);
    if (!cell || cell->list() != this || !cell->isValid())
        return -1;
    return (cell->row() + 1) * modelColumns() + cell->column();
}

} // namespace

QAccessibleInterface *accessibleCommentList(const QString &className, QObject *object)
{
    if (className == QLatin1String(CommentListView::staticMetaObject.className()) && object->isWidgetType())
        return new ListAccessible(static_cast<CommentListView *>(object));
    return nullptr;
}

} // namespace VynMemberComment
