#include "control/membercomment_p.h"

#include "exchange/serverpage.h"
#include "platform/messagebox.h"
#include "platform/transfer.h"

#include <QCoreApplication>
#include <QPointer>

namespace VynMemberComment {

MemberCommentPrivate::PostOutcome MemberCommentPrivate::postForm(const QByteArray &form)
{
    if (!Inet1->Execute(saveUrl(mtServerName), QStringLiteral("Post"), form,
                        QStringLiteral("Content-Type: ") + QLatin1String(kSaveContentType)))
        return PostOutcome::NotStarted;

    // The reply is read and shown inside this loop; the host may release the control meanwhile,
    // and then nothing of it may be touched.
    QPointer<MemberComment> alive(q);
    while (alive && Inet1->StillExecuting())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return alive ? PostOutcome::Done : PostOutcome::Released;
}

void MemberCommentPrivate::Inet1_StateChanged(int State)
{
    if (State == Platform::Transfer::icError) {
        Platform::messageBox(QStringLiteral("Error During saving to Database"), Platform::OkOnly);
        return;
    }
    if (State != Platform::Transfer::icResponseCompleted)
        return;

    QPointer<MemberComment> alive(q);
    QString reply;
    QString chunk = Inet1->GetChunk(1024, 0);
    QCoreApplication::processEvents();
    for (bool done = false; !done;) {
        if (!alive)
            return;
        reply += chunk;
        chunk = Inet1->GetChunk(1024, 0);
        QCoreApplication::processEvents();
        done = chunk.isEmpty();
    }
    if (!alive)
        return;
    if (const std::optional<QString> shown = shownSaveReply(reply))
        Platform::messageBox(*shown, Platform::OkInformation, QStringLiteral("Membership Messaging"));
}

} // namespace VynMemberComment
