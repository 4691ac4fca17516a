#include "control/commentlistmodel.h"

#include "platform/textfastpaths.h"
#include "rows/rowmarker.h"
#include "rows/shownprefix.h"

#include <QFont>
#include <QTextDocument>

#include <algorithm>

namespace VynMemberComment {

CommentListModel::CommentListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int CommentListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CommentListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant CommentListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const CommentRow &row = m_rows[std::size_t(index.row())];
    const QStringView text = row.cell(index.column());
    if (role == Qt::DisplayRole)
        return text.toString();
    if (role == ShownTextRole)
        return shownPrefix(text, kListedSize);
    // As rich text, so that it wraps and no comment is ever read as markup.
    if (role == Qt::ToolTipRole && shownLength(text, kListedSize) < text.size())
        return Qt::convertFromPlainText(shownPrefix(text, kToolTipSize), Qt::WhiteSpaceNormal);
    if (role != Qt::FontRole && role != Qt::AccessibleDescriptionRole)
        return {};
    // Pending rows stand out, in italics and to screen readers, so the user knows what the next
    // save will send.
    const RowMarker marker = rowMarker(row.cell(Column::CommentSequence));
    if (marker == RowMarker::Unchanged)
        return {};
    if (role == Qt::AccessibleDescriptionRole)
        return marker == RowMarker::New ? QStringLiteral("New comment, not saved yet")
                                        : QStringLiteral("Changed comment, not saved yet");
    QFont italic;
    italic.setItalic(true);
    return italic;
}

QVariant CommentListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void CommentListModel::addColumn(const QString &header)
{
    Q_ASSERT(m_headers.size() < Column::Count);
    const int column = int(m_headers.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_headers.append(header);
    endInsertColumns();
}

int CommentListModel::insertSorted(CommentRow row)
{
    const QStringView key = row.cell(m_sortKey);
    const auto at = std::upper_bound(m_rows.begin(), m_rows.end(), key, [this](QStringView k, const CommentRow &r) {
        return before(k, r.cell(m_sortKey));
    });
    const int position = int(at - m_rows.begin());
    beginInsertRows(QModelIndex(), position, position);
    m_rows.insert(at, std::move(row));
    endInsertRows();
    return position;
}

void CommentListModel::replaceRow(int position, CommentRow row)
{
    m_rows[std::size_t(position)] = std::move(row);
    Q_EMIT dataChanged(index(position, 0), index(position, columnCount() - 1), {Qt::DisplayRole});
}

void CommentListModel::appendRows(std::vector<CommentRow> rows)
{
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    if (m_rows.empty())
        m_rows = std::move(rows);
    else
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
}

void CommentListModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    // Swap out first so that views see an empty model while the old rows are freed.
    std::vector<CommentRow> old;
    old.swap(m_rows);
    endResetModel();
}

bool CommentListModel::removeAt(int position)
{
    if (position < 0 || position >= int(m_rows.size()))
        return false;
    beginRemoveRows(QModelIndex(), position, position);
    m_rows.erase(m_rows.begin() + position);
    endRemoveRows();
    return true;
}

QString CommentListModel::cell(int position, int column) const
{
    return m_rows[std::size_t(position)].cell(column).toString();
}

void CommentListModel::setCell(int position, int column, const QString &text)
{
    m_rows[std::size_t(position)].setCell(column, text);
    const QModelIndex changed = index(position, column);
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

void CommentListModel::setSortKey(int column)
{
    sortBy(column, m_sortOrder);
}

void CommentListModel::setSortOrder(int order)
{
    sortBy(m_sortKey, order);
}

void CommentListModel::sortBy(int column, int order)
{
    m_sortKey = column;
    m_sortOrder = order;
    sortRows();
}

bool CommentListModel::before(QStringView a, QStringView b) const
{
    const int c = Platform::compareCaseInsensitive(a, b);
    return m_sortOrder == Ascending ? c < 0 : c > 0;
}

void CommentListModel::sortRows()
{
    // The keys are copied side by side first: read where they lie, each row's text in a block of
    // its own, the sort's comparisons would wait on memory for most of its time.
    qsizetype characters = 0;
    for (const CommentRow &r : m_rows)
        characters += r.cell(m_sortKey).size();
    QString pool;
    pool.reserve(characters);
    std::vector<QStringView> keys;
    keys.reserve(m_rows.size());
    for (const CommentRow &r : m_rows) {
        const QStringView key = r.cell(m_sortKey);
        keys.emplace_back(pool.constData() + pool.size(), key.size());
        pool.append(key); // within the reserved room: the views stay valid
    }
    sortByKeys(m_sortKey, m_sortOrder, keys,
               [](QStringView a, QStringView b) { return Platform::compareCaseInsensitive(a, b) < 0; });
}

void CommentListModel::applyPermutation(const std::vector<int> &order)
{
    // order[newPosition] = oldPosition
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<CommentRow> sortedRows;
    sortedRows.reserve(m_rows.size());
    std::vector<int> newPositionOf(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sortedRows.push_back(std::move(m_rows[std::size_t(order[i])]));
        newPositionOf[std::size_t(order[i])] = int(i);
    }
    m_rows.swap(sortedRows);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &old : before)
        after.append(index(newPositionOf[std::size_t(old.row())], old.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    Q_EMIT sorted(m_sortKey, m_sortOrder);
}

} // namespace VynMemberComment
