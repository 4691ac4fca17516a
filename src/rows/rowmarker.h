#pragma once

#include <QString>
#include <QStringView>

namespace VynMemberComment {

// The save state of a comment row, told by the last character of its CommentSequence cell.
enum class RowMarker { Unchanged, New, Changed };

// A cell ending in "N" is New ("N" itself, and "9N" from a server), one ending in "U" Changed,
// anything else (lower case and empty included) Unchanged.
RowMarker rowMarker(QStringView sequenceCell);

// True only for a cell that is exactly "N": a row added since the list was filled. The editor opens
// such a row whole and Delete may remove it; any other row is one loaded from the server.
bool isNewRow(QStringView sequenceCell);

// Whether a saved change can name its row: a new row, or a cell that starts with a sequence number.
// No other row may be opened for editing.
bool isAddressable(QStringView sequenceCell);

// The cell after an edit is saved: "N" stays "N", otherwise the leading number followed by "U". A
// cell that is not addressable is kept as it is, so it never becomes a marked row.
QString markedChanged(QStringView sequenceCell);

} // namespace VynMemberComment
