#pragma once

#include <QStringView>

#include <optional>

namespace VynMemberComment {

// The number readers of the cells, side by side. Each reads what its source writes, so their
// rules differ on purpose:

// A choice id in the load reply, as the server writes any integer field: ASCII blanks around and a
// sign allowed, 32 bits.
std::optional<qint32> toInt32(QStringView text);

// A group or type cell that the save writes unquoted into SQL: an optional minus and digits within
// 32 bits, nothing else, so no cell text can ever become more than a number there.
bool isStrictInteger(QStringView text);

// A sequence cell, which carries its marker after the number ("7U" gives 7, "-7U" gives -7): leading
// blanks and tabs skipped, an optional sign, then digits up to the first other character. None when
// no digit follows or the number does not fit in 32 bits.
std::optional<qint32> leadingNumber(QStringView text);

// A flag cell holding a number: optional sign, digits with an optional fraction, of any length, as
// its truth only asks whether some digit is not 0. None when the text is no such number.
std::optional<bool> numberTruth(QStringView text);

} // namespace VynMemberComment
