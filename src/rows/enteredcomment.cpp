#include "rows/enteredcomment.h"

#include "rows/rowmarker.h"

namespace VynMemberComment {

namespace {

QString flag(bool checked)
{
    return checked ? QStringLiteral("1") : QStringLiteral("0");
}

// The cells a save writes into new and opened rows alike.
void writeChoicesAndFlags(CommentRow &row, const EnteredComment &comment, const Platform::CivilTime &moment)
{
    row.setCell(Column::CommentGroup, QString::number(comment.group));
    row.setCell(Column::GroupDescription, comment.groupText);
    row.setCell(Column::CommentType, QString::number(comment.type));
    row.setCell(Column::TypeDescription, comment.typeText);
    row.setCell(Column::FocusCenter, flag(comment.center));
    row.setCell(Column::FocusMembership, flag(comment.membership));
    row.setCell(Column::FocusBETA, flag(comment.beta));
    row.setCell(Column::RecordLastUpdated, Platform::monthNameForm(moment));
    row.setCell(Column::FocusFranchiseRelations, flag(comment.franchise));
}

} // namespace

CommentRow newCommentRow(const EnteredComment &comment, qint32 memberId, const QString &enteredBy,
                         const Platform::CivilTime &moment)
{
    CommentRow row(comment.text);
    row.setCell(Column::MemberID, QString::number(memberId));
    row.setCell(Column::CommentSequence, QStringLiteral("N"));
    row.setCell(Column::CommentDate, Platform::displayForm(moment));
    row.setCell(Column::EnteredBy, enteredBy);
    writeChoicesAndFlags(row, comment, moment);
    return row;
}

void writeIntoRow(CommentRow &row, const EnteredComment &comment, const Platform::CivilTime &moment)
{
    // A loaded row's text is locked in the editor: it keeps its characters exactly.
    if (isNewRow(row.cell(Column::CommentSequence)))
        row.setCell(Column::Description, comment.text);
    writeChoicesAndFlags(row, comment, moment);
    row.setCell(Column::CommentSequence, markedChanged(row.cell(Column::CommentSequence)));
}

} // namespace VynMemberComment
