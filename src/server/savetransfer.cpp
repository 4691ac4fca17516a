#include "control/membercomment_p.h"

#include "platform/messagebox.h"
#include "platform/transfer.h"
#include "rows/blank.h"

#include <QCoreApplication>
#include <QPointer>

namespace VynMemberComment {

namespace {
// A box lays out its whole text at once: megabytes of reply would freeze the window for minutes.
constexpr qsizetype kMaxShownReply = 16 * 1024;
} // namespace

MemberCommentPrivate::PostOutcome MemberCommentPrivate::postForm(const QByteArray &form)
{
    const QString url = mtServerName + QLatin1String("/MemberComment.asp");
    if (!Inet1->Execute(url, QStringLiteral("Post"), form,
                        QStringLiteral("Content-Type: application/x-www-form-urlencoded")))
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
    const bool blank = isBlank(reply);
    if (reply.size() > kMaxShownReply)
        reply = reply.left(kMaxShownReply) + QChar(0x2026);
    if (!blank)
        Platform::messageBox(reply, Platform::OkInformation, QStringLiteral("Membership Messaging"));
}

} // namespace VynMemberComment
