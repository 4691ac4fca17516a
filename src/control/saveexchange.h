#pragma once

#include "platform/http.h"

namespace VynMemberComment {

// The save's exchange with the server page, the control's non-visual child "Inet1": it posts the
// save's form, waits with events running, and shows the server's reply.
class SaveExchange : public Platform::HttpTransfer
{
    Q_OBJECT
public:
    explicit SaveExchange(QObject *parent = nullptr);

    // Done; NotStarted: a save still waits for its reply, and nothing was sent; Released: the host
    // released the control during the wait, and nothing of it may be touched.
    enum class Outcome { Done, NotStarted, Released };
    // Posts the form ("SQL=" and the encoded batch) to the server page and waits until its end
    // has been handled.
    Outcome postForm(const QString &serverName, const QByteArray &form);
    // The end of the transfer: a fixed box when no reply came, otherwise the reply, read a kilobyte
    // at a time with events running in between, and shown unless blank.
    void showReply(const Platform::HttpResult &result);
};

} // namespace VynMemberComment
