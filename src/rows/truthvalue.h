#pragma once

#include <QStringView>

#include <optional>

namespace VynMemberComment {

// Reads a flag cell: a number is true unless it is 0, "True" and "False" in any letter case;
// anything else, the empty text included, is no truth value.
std::optional<bool> readTruthValue(QStringView text);

} // namespace VynMemberComment
