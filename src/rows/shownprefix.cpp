#include "rows/shownprefix.h"

namespace VynMemberComment {

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

qsizetype shownLength(QStringView text, qsizetype limit)
{
    if (text.size() <= limit)
        return text.size();
    const qsizetype half = limit / 2;
    qsizetype cut = limit;
    for (qsizetype at = limit; at > half; --at) {
        if (isLineBreak(text[at])) {
            cut = at;
            while (cut > half && isLineBreak(text[cut - 1]))
                --cut;
            break;
        }
    }
    if (cut > 0 && text[cut - 1].isHighSurrogate() && text[cut].isLowSurrogate())
        --cut;
    return cut;
}

QString shownPrefix(QStringView text, qsizetype limit)
{
    const qsizetype length = shownLength(text, limit);
    if (length == text.size())
        return text.toString();
    QString shown;
    shown.reserve(length + 1);
    shown.append(text.left(length)).append(QChar(0x2026));
    return shown;
}

} // namespace VynMemberComment
