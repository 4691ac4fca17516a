#pragma once

#include <QString>
#include <QStringView>

namespace VynMemberComment {

// What the list and its tool tips show of a cell: the text, or the start of one that is too long,
// so that painting a row costs the same whatever its cells hold. The cell keeps the whole text.
struct ShownSize {
    qsizetype characters;
    qsizetype lines;
};
// A row of the list is one line: a cell is listed up to its first line break, and up to 1,000
// characters (every text the editor can write, which takes no line breaks, is listed whole).
inline constexpr ShownSize kListedSize{1000, 1};
// A cell cut in the list shows more of itself in its tool tip.
inline constexpr ShownSize kToolTipSize{2000, 25};

// How many characters of the text are shown: all of them when it fits; else the lines that fit
// (a CR LF pair is one line break), cut before the last line break in the second half of the
// characters when the lines are longer, else at the characters; never between the two halves
// of a surrogate pair, and without the line breaks the cut would leave at its end.
qsizetype shownLength(QStringView text, ShownSize size);

// The text as shown: whole when it fits, else its first shownLength characters and "…".
QString shownPrefix(QStringView text, ShownSize size);

} // namespace VynMemberComment
