#include "rows/rowmarker.h"

#include "rows/numbers.h"

namespace VynMemberComment {

RowMarker rowMarker(QStringView sequenceCell)
{
    if (sequenceCell.endsWith(u'N'))
        return RowMarker::New;
    if (sequenceCell.endsWith(u'U'))
        return RowMarker::Changed;
    return RowMarker::Unchanged;
}

bool isNewRow(QStringView sequenceCell)
{
    return sequenceCell == u"N";
}

bool isAddressable(QStringView sequenceCell)
{
    return isNewRow(sequenceCell) || leadingNumber(sequenceCell).has_value();
}

QString markedChanged(QStringView sequenceCell)
{
    if (isNewRow(sequenceCell))
        return sequenceCell.toString();
    const std::optional<qint32> number = leadingNumber(sequenceCell);
    return number ? QString::number(*number) + u'U' : sequenceCell.toString();
}

} // namespace VynMemberComment
