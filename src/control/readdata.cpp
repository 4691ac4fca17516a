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

    // Encoded as it is built: the batch for thousands of rows never exists as text.
    const EncodedBatch batch = buildEncodedBatch(d->comments->rows(), d->mlMemberID, Platform::systemCodePage());
    if (batch.error)
        return fail(*batch.error);
    if (batch.form.isEmpty())
        return QString();
    // The batch is complete before the wait: whatever the user does meanwhile goes with a later save.
    if (d->Inet1->postForm(d->mtServerName, batch.form) == SaveExchange::Outcome::NotStarted)
        return fail(QStringLiteral("the previous save is still waiting for its reply"));
    return QString();
}

QString MemberComment::urlEncode(const QString &theData) const
{
    return ::VynMemberComment::urlEncode(theData, Platform::systemCodePage());
}

} // namespace VynMemberComment
