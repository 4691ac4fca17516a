#pragma once

#include "rows/commentrow.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace VynMemberComment {

// The rows of the comment list, always held in display order. A cell's DisplayRole is its whole
// text, as hosts read it; ShownTextRole is what the list paints, the first line and at most 1,000
// characters of it, and a cell cut so has a tool tip with more (see rows/shownprefix.h). Setting the sort key or the sort
// order re-sorts at once (stable, comparing texts without regard to letter case); nothing else
// sorts, so bulk fills cost no per-row work beyond storing the row.
class CommentListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum SortOrder { Ascending = 0, Descending = 1 };
    enum Role { ShownTextRole = Qt::UserRole };

    explicit CommentListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Appends a column with the given header text.
    void addColumn(const QString &header);

    // Inserts a whole row where the current sort puts it, after any equal rows; returns its position.
    int insertSorted(CommentRow row);
    // Replaces the row at a position in place.
    void replaceRow(int position, CommentRow row);
    // Appends many rows with one insert notification.
    void appendRows(std::vector<CommentRow> rows);
    void clear();
    // Removes the row at a zero-based display position; false when there is none.
    bool removeAt(int position);

    const CommentRow &row(int position) const { return m_rows[std::size_t(position)]; }
    const std::vector<CommentRow> &rows() const { return m_rows; }
    QString cell(int position, int column) const;
    void setCell(int position, int column, const QString &text);
    // Rewrites one column of every row through a function of the old text, with one notification.
    template<typename F>
    void rewriteColumn(int column, F &&f);

    int sortKey() const { return m_sortKey; }
    int sortOrder() const { return m_sortOrder; }
    void setSortKey(int column);
    void setSortOrder(int order);
    // Sets the sort key and the order together, sorting once.
    void sortBy(int column, int order);
    // Sorts by the given column and order, with a key per row (in the current order) computed once
    // per row, so a column read as dates costs one parse per row; less(a, b) compares two keys.
    // Ties keep their order.
    template<typename Key, typename Less>
    void sortByKeys(int column, int order, const std::vector<Key> &keys, Less less);

Q_SIGNALS:
    void sorted(int column, int order);

private:
    void sortRows();
    // Whether a row with key `a` belongs before one with key `b` in the current order.
    bool before(QStringView a, QStringView b) const;
    void applyPermutation(const std::vector<int> &order);

    QStringList m_headers;
    std::vector<CommentRow> m_rows;
    int m_sortKey = 0;
    int m_sortOrder = Ascending;
};

template<typename F>
void CommentListModel::rewriteColumn(int column, F &&f)
{
    for (CommentRow &r : m_rows)
        r.setCell(column, f(r.cell(column)));
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, column), index(int(m_rows.size()) - 1, column), {Qt::DisplayRole});
}

template<typename Key, typename Less>
void CommentListModel::sortByKeys(int column, int order, const std::vector<Key> &keys, Less less)
{
    Q_ASSERT(keys.size() == m_rows.size());
    m_sortKey = column;
    m_sortOrder = order;
    const bool descending = order != Ascending;
    std::vector<int> permutation(m_rows.size());
    for (std::size_t i = 0; i < permutation.size(); ++i)
        permutation[i] = int(i);
    if (descending)
        std::stable_sort(permutation.begin(), permutation.end(),
                         [&](int a, int b) { return less(keys[std::size_t(b)], keys[std::size_t(a)]); });
    else
        std::stable_sort(permutation.begin(), permutation.end(),
                         [&](int a, int b) { return less(keys[std::size_t(a)], keys[std::size_t(b)]); });
    applyPermutation(permutation);
}

} // namespace VynMemberComment
