// The list's events. Choosing a row (a click, Up or Down) shows it in the editor; a double-click
// opens it. A header click sorts by that column, and a second click on it reverses the order;
// "Comment Date" sorts by the date the text names, and every date is then shown in the display form.
#include "control/membercomment_p.h"

#include "control/commenteditor.h"
#include "control/commentlistmodel.h"
#include "control/commentlistview.h"
#include "platform/dateforms.h"

namespace VynMemberComment {

void MemberCommentPrivate::lstComments_Click()
{
    if (comments->rowCount() == 0 || lstComments->selectedRow() < 0)
        return;
    editor->loadSelectedRow();
    if (mbMode)
        editor->offerSelectedRow();
}

void MemberCommentPrivate::lstComments_KeyUp(int key)
{
    if (key == Qt::Key_Up || key == Qt::Key_Down)
        lstComments_Click();
}

void MemberCommentPrivate::lstComments_DblClick()
{
    // In read-only mode no enabled button could save or cancel an opened row.
    if (mbMode)
        editor->editOrCancel();
}

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
