#include "persistence/rowmarker.h"

#include <limits>

namespace VynMemberComment {

RowMarker rowMarker(QStringView sequenceCell)
{
    if (isNewRow(sequenceCell))
        return RowMarker::New;
    if (sequenceCell.endsWith(u'U'))
        return RowMarker::Changed;
    return RowMarker::Unchanged;
}

bool isNewRow(QStringView sequenceCell)
{
    return sequenceCell == u"N";
}

std::optional<qint32> leadingNumber(QStringView sequenceCell)
{
    qsizetype i = 0;
    while (i < sequenceCell.size() && (sequenceCell[i] == u' ' || sequenceCell[i] == u'\t'))
        ++i;
    const qsizetype digitsBegin = i;
    qint64 value = 0;
    for (; i < sequenceCell.size() && sequenceCell[i] >= u'0' && sequenceCell[i] <= u'9'; ++i) {
        value = value * 10 + (sequenceCell[i].unicode() - u'0');
        if (value > std::numeric_limits<qint32>::max())
            return std::nullopt;
    }
    if (i == digitsBegin)
        return std::nullopt;
    return qint32(value);
}

QString markedChanged(QStringView sequenceCell)
{
    if (isNewRow(sequenceCell))
        return sequenceCell.toString();
    // Without a number the cell becomes a bare "U", which the save refuses rather than guessing a row.
    const std::optional<qint32> number = leadingNumber(sequenceCell);
    return number ? QString::number(*number) + u'U' : QStringLiteral("U");
}

} // namespace VynMemberComment
