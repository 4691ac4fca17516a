#pragma once

#include <QString>
#include <QStringView>

namespace VynMemberComment {

// What the list shows of a cell, and what its tool tip shows: a long text is shown as a prefix, so
// painting a row costs the same whatever its cells hold. The cell itself keeps the whole text.
// Every text the editor can write (1,000 characters) is listed whole.
inline constexpr qsizetype kListedCharacters = 1000;
inline constexpr qsizetype kToolTipCharacters = 4000;

// Where a text longer than `limit` characters is cut: before the last line break in the second
// half of the limit, so that the shown part ends with a whole line, else at the limit; never
// between the two halves of a surrogate pair. A text no longer than `limit` is not cut.
qsizetype shownLength(QStringView text, qsizetype limit);

// The text as shown: whole when it is not cut, else its first shownLength characters and "…".
QString shownPrefix(QStringView text, qsizetype limit);

} // namespace VynMemberComment
