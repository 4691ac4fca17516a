#include "rows/shownprefix.h"

#include <algorithm>

namespace VynMemberComment {

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// Where a text too long for `characters` is cut.
qsizetype cutWithin(QStringView text, qsizetype characters)
{
    const qsizetype half = characters / 2;
    for (qsizetype at = characters; at > half; --at) {
        if (isLineBreak(text[at]))
            return at;
    }
    if (characters > 0 && text[characters - 1].isHighSurrogate() && text[characters].isLowSurrogate())
        return characters - 1;
    return characters;
}

} // namespace

qsizetype shownLength(QStringView text, ShownSize size)
{
    qsizetype cut = text.size();
    qsizetype breaks = 0;
    const qsizetype scanned = std::min(text.size(), size.characters + 1);
    for (qsizetype at = 0; at < scanned; ++at) {
        if (!isLineBreak(text[at]))
            continue;
        if (++breaks == size.lines) {
            cut = at;
            break;
        }
        if (text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n')
            ++at;
    }
    if (cut > size.characters)
        cut = cutWithin(text, size.characters);
    if (cut < text.size()) {
        while (cut > 0 && isLineBreak(text[cut - 1]))
            --cut;
    }
    return cut;
}

QString shownPrefix(QStringView text, ShownSize size)
{
    const qsizetype length = shownLength(text, size);
    if (length == text.size())
        return text.toString();
    QString shown;
    shown.reserve(length + 1);
    shown.append(text.left(length)).append(QChar(0x2026));
    return shown;
}

} // namespace VynMemberComment
