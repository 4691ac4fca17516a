#include "rows/rowmarker.h"

#include "rows/numbers.h"

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

QString markedChanged(QStringView sequenceCell)
{
    if (isNewRow(sequenceCell))
        return sequenceCell.toString();
    // Without a number the cell becomes a bare "U", which the save refuses rather than guessing a row.
    const std::optional<qint32> number = leadingNumber(sequenceCell);
    return number ? QString::number(*number) + u'U' : QStringLiteral("U");
}

} // namespace VynMemberComment
