#pragma once

#include <QStringView>

#include <algorithm>

namespace VynMemberComment {

// Only U+0020 counts as blank, as the save's checks have always trimmed: a comment or a reply
// holding a line break or a tab is not blank.
inline bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

} // namespace VynMemberComment
