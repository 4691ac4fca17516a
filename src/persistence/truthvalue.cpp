#include "persistence/truthvalue.h"

namespace VynMemberComment {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// A decimal number: optional sign, digits with an optional fraction; its truth is whether any
// digit is not 0, so numbers of any length are read.
std::optional<bool> readNumber(QStringView text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool anyDigit = false, nonZero = false, point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            anyDigit = true;
            nonZero = nonZero || c != u'0';
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    return nonZero;
}

} // namespace

std::optional<bool> readTruthValue(QStringView text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    const QStringView word = text.sliced(begin, end - begin);
    // Sizes first: a save reads four flags a row, nearly all "0" or "1".
    if (word.size() == 4 && word.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (word.size() == 5 && word.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    return readNumber(word);
}

} // namespace VynMemberComment
