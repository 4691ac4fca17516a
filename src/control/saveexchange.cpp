#include "control/saveexchange.h"

#include "exchange/serverpage.h"
#include "platform/codepage.h"
#include "platform/logging.h"
#include "platform/messagebox.h"

#include <QCoreApplication>
#include <QPointer>
#include <QUrl>

#include <algorithm>

namespace VynMemberComment {

SaveExchange::SaveExchange(QObject *parent)
    : Platform::HttpTransfer(parent)
{
}

SaveExchange::Outcome SaveExchange::postForm(const QString &serverName, const QByteArray &form)
{
    if (!post(QUrl(saveUrl(serverName)), form, kSaveContentType))
        return Outcome::NotStarted;

    // The reply is read and shown inside this loop; the host may release the control, and this
    // child with it, meanwhile.
    QPointer<SaveExchange> alive(this);
    while (alive && isRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return alive ? Outcome::Done : Outcome::Released;
}

void SaveExchange::showReply(const Platform::HttpResult &result)
{
    if (!result.error.isEmpty()) {
        // The box's text is fixed; the log says what went wrong.
        qCWarning(Platform::lcMemberComment, "the save got no reply: %s", qPrintable(result.error));
        Platform::messageBox(QStringLiteral("Error During saving to Database"), Platform::OkOnly);
        return;
    }

    constexpr qsizetype kChunk = 1024;
    QPointer<SaveExchange> alive(this);
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
