// The save: one batch for every pending row, posted to the server page.
#include "control/membercomment_p.h"

#include "control/commentlistmodel.h"
#include "control/saveexchange.h"
#include "exchange/savebatch.h"
#include "exchange/urlencode.h"
#include "platform/logging.h"
#include "platform/messagebox.h"

namespace VynMemberComment {

QString MemberComment::ReadData()
{
    auto fail = [this](const QString &why) {
        qCWarning(Platform::lcMemberComment, "nothing was saved: %s", qPrintable(why));
        d->setBusy(false);
        Platform::messageBox(QStringLiteral("Error Occoured"), Platform::OkCritical, QStringLiteral("Information"));
        return QString();
    };

    // The rows are taken as they are now, and their statements encoded while the request goes
    // out: whatever the user does during the wait goes with a later save.
    SaveForm form = openSaveForm(d->comments->rows(), d->mlMemberID, Platform::systemCodePage());
    if (form.error)
        return fail(*form.error);
    if (!form.body)
        return QString();
    if (d->Inet1->postForm(d->mtServerName, std::move(form.body)) == SaveExchange::Outcome::NotStarted)
        return fail(QStringLiteral("the previous save is still waiting for its reply"));
    return QString();
}

QString MemberComment::urlEncode(const QString &theData) const
{
    return ::VynMemberComment::urlEncode(theData, Platform::systemCodePage());
}

} // namespace VynMemberComment
