#include "exchange/serverpage.h"

#include "rows/blank.h"
#include "rows/shownprefix.h"

namespace VynMemberComment {

namespace {
constexpr QLatin1StringView kPage("/MemberComment.asp");
// Any number of lines, as long as the characters fit.
constexpr ShownSize kShownReply{16 * 1024, 16 * 1024};
} // namespace

QString loadUrl(const QString &serverName, qint16 personId, qint16 type, qint32 memberId)
{
    return serverName + kPage + QLatin1String("?Type=") + QString::number(type) + QLatin1String("&PersonID=")
        + QString::number(personId) + QLatin1String("&MemberID=") + QString::number(memberId);
}

QString saveUrl(const QString &serverName)
{
    return serverName + kPage;
}

std::optional<QString> shownSaveReply(const QString &reply)
{
    if (isBlank(reply))
        return std::nullopt;
    return shownPrefix(reply, kShownReply);
}

} // namespace VynMemberComment
