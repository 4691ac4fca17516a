#include "control/membercomment_p.h"

#include "exchange/serverpage.h"
#include "platform/codepage.h"
#include "platform/http.h"
#include "platform/messagebox.h"

#include <QCoreApplication>
#include <QPointer>
#include <QUrl>

#include <algorithm>

namespace VynMemberComment {

MemberCommentPrivate::PostOutcome MemberCommentPrivate::postForm(const QByteArray &form)
{
    if (!Inet1->post(QUrl(saveUrl(mtServerName)), form, kSaveContentType))
        return PostOutcome::NotStarted;

    // The reply is read and shown inside this loop; the host may release the control meanwhile,
    // and then nothing of it may be touched.
    QPointer<MemberComment> alive(q);
    while (alive && Inet1->isRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return alive ? PostOutcome::Done : PostOutcome::Released;
}

void MemberCommentPrivate::Inet1_StateChanged(const Platform::HttpResult &result)
{
    if (!result.error.isEmpty()) {
        Platform::messageBox(QStringLiteral("Error During saving to Database"), Platform::OkOnly);
        return;
    }

    // Read a kilobyte at a time, with events running in between: the host may release the control.
    constexpr qsizetype kChunk = 1024;
    QPointer<MemberComment> alive(q);
    Platform::TextDecoder decoder(result.charset.isEmpty() ? QByteArray("utf-8") : result.charset);
    QString reply;
    for (qsizetype at = 0; at < result.body.size(); at += kChunk) {
        reply += decoder.decode(QByteArrayView(result.body).sliced(at, std::min(kChunk, result.body.size() - at)));
        QCoreApplication::processEvents();
        if (!alive)
            return;
    }
    if (const std::optional<QString> shown = shownSaveReply(reply))
        Platform::messageBox(*shown, Platform::OkInformation, QStringLiteral("Membership Messaging"));
}

} // namespace VynMemberComment
