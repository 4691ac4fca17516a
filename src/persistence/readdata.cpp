#include "control/membercomment_p.h"

namespace VynMemberComment {

QString MemberComment::ReadData()
{
    return QString();
}

QString MemberComment::urlEncode(const QString &theData) const
{
    return theData;
}

} // namespace VynMemberComment
