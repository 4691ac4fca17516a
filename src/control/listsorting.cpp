// A header click sorts by that column; a second click on it reverses the order. "Comment Date"
// sorts by the date the text names, and every date is then shown in the display form.
#include "control/membercomment_p.h"

#include "control/commentlistmodel.h"
#include "platform/dateforms.h"

namespace VynMemberComment {

void MemberCommentPrivate::lstComments_ColumnClick(int h)
{
    const int column = h - 1;
    const bool sameColumn = comments->sortKey() == column;
    const int order = sameColumn ? (comments->sortOrder() == CommentListModel::Ascending ? CommentListModel::Descending
                                                                                          : CommentListModel::Ascending)
                                 : comments->sortOrder();
    if (column != Column::CommentDate) {
        if (sameColumn)
            comments->setSortOrder(order);
        else
            comments->setSortKey(column);
        return;
    }

    // Each date is read once per click; a text that is no date sorts before every date and stays as it is.
    std::vector<std::optional<Platform::CivilTime>> dates;
    dates.reserve(std::size_t(comments->rowCount()));
    for (const CommentRow &row : comments->rows())
        dates.push_back(Platform::readCommentDate(row.cell(Column::CommentDate)));
    std::size_t i = 0;
    comments->rewriteColumn(Column::CommentDate, [&](QStringView old) {
        const auto &date = dates[i++];
        return date ? Platform::displayForm(*date) : old.toString();
    });
    comments->sortByKeys(column, order, dates, [](const auto &a, const auto &b) { return a < b; });
}

} // namespace VynMemberComment
