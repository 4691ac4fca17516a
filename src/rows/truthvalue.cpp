#include "rows/truthvalue.h"

#include "rows/numbers.h"

namespace VynMemberComment {

namespace {

// A flag may stand between blanks and tabs.
bool isSpaceOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

std::optional<bool> readTruthValue(QStringView text)
{
    // Nearly every flag reads "0" or "1", and a save reads four a row.
    if (text.size() == 1 && (text[0] == u'0' || text[0] == u'1'))
        return text[0] == u'1';
    qsizetype begin = 0, end = text.size();
    while (begin < end && isSpaceOrTab(text[begin]))
        ++begin;
    while (end > begin && isSpaceOrTab(text[end - 1]))
        --end;
    const QStringView word = text.sliced(begin, end - begin);
    // Sizes first: a save reads four flags a row, nearly all "0" or "1".
    if (word.size() == 4 && word.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (word.size() == 5 && word.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    return numberTruth(word);
}

} // namespace VynMemberComment
