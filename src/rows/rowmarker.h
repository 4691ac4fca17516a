#pragma once

#include <QString>
#include <QStringView>

namespace VynMemberComment {

// The save state of a comment row, told by the last character of its CommentSequence cell.
enum class RowMarker { Unchanged, New, Changed };

// "N" is New, a cell ending in "U" is Changed, anything else (lower case and empty included) Unchanged.
RowMarker rowMarker(QStringView sequenceCell);

// True only for a cell that is exactly "N": a row added since the list was filled.
bool isNewRow(QStringView sequenceCell);

// The cell after an edit is saved: "N" stays "N", otherwise the leading number followed by "U".
QString markedChanged(QStringView sequenceCell);

} // namespace VynMemberComment
