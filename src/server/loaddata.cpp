#include "control/membercomment_p.h"

namespace VynMemberComment {

void MemberComment::LoadData(const QString &ptServerName, qint16 piPersonID, qint16 piType)
{
    Q_UNUSED(piPersonID);
    Q_UNUSED(piType);
    d->mtServerName = ptServerName;
}

void MemberComment::CommentTypes()
{
}

void MemberComment::CommentGroups()
{
}

} // namespace VynMemberComment
