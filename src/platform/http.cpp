#include "platform/http.h"

#include "platform/inputhold.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace VynMemberComment::Platform {

namespace {

int g_timeoutMilliseconds = kNoProgressMilliseconds;
int g_deadlineMilliseconds = kDeadlineMilliseconds;

constexpr qint64 kMiB = 1024 * 1024;
constexpr qint64 kDefaultReplyLimitMiB = 256;
constexpr char kReplyLimitVariable[] = "VYNMEMBERCOMMENT_MAX_REPLY_MIB";

qint64 replyLimit()
{
    bool ok = false;
    const qint64 mib = qEnvironmentVariable(kReplyLimitVariable).toLongLong(&ok);
    // Capped far below what a byte count can hold.
    return (ok && mib > 0 ? std::min(mib, qint64(1) << 30) : kDefaultReplyLimitMiB) * kMiB;
}

QString limitText(qint64 limit)
{
    return QStringLiteral("%1 MiB (%2)").arg(limit / kMiB).arg(QLatin1String(kReplyLimitVariable));
}

// The charset parameter of a Content-Type value, in lower case; empty when it names none.
QByteArray charsetOf(const QByteArray &contentType)
{
    for (const QByteArray &part : contentType.split(';')) {
        const QByteArray p = part.trimmed();
        if (p.size() > 8 && p.left(8).toLower() == "charset=") {
            QByteArray value = p.mid(8).trimmed();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            return value.toLower();
        }
    }
    return {};
}

// A POST is re-sent wherever a 307 or 308 points: it may only go where it was sent.
bool sameSchemeHostAndPort(const QUrl &a, const QUrl &b)
{
    auto port = [](const QUrl &u) { return u.port(u.scheme() == QLatin1String("https") ? 443 : 80); };
    return a.scheme() == b.scheme() && a.host() == b.host() && port(a) == port(b);
}

// Reads a finished reply. Its status, whatever it is, belongs to the caller to judge; what makes it
// no response is decided here, once for both requests. `stopped` says why this side ended it;
// `redirected` that it ended after a redirect, before the next response came (Qt then still
// reports the redirect's status, which is no answer).
HttpResult readReply(QNetworkReply *reply, const QString &stopped, bool redirected, qint64 limit)
{
    HttpResult result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.status = status.isValid() && !redirected ? status.toInt() : 0;
    if (result.status != 0)
        result.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    result.url = reply->url().toString();
    result.charset = charsetOf(reply->rawHeader("Content-Type"));
    QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray(); // closed once aborted

    // Qt judges the content as well as the transport. Its verdict on an error status, or on a
    // redirect it could not follow, restates the status: that is still the server's answer. Any
    // other error means no whole reply came: the transport failed (refused, reset, closed), the
    // body was cut, or it could not be decompressed. Qt may also end a cut reply without an error,
    // short of its Content-Length.
    const QNetworkReply::NetworkError code = reply->error();
    const bool ofTheContent = code >= QNetworkReply::ContentAccessDenied && code != QNetworkReply::ProtocolFailure;
    const bool statusRestated = ofTheContent && result.status >= 300;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (!stopped.isEmpty())
        result.error = stopped;
    else if (ofTheContent && !statusRestated && reply->hasRawHeader("Content-Encoding"))
        result.error =
            QStringLiteral("the reply from %1 could not be decompressed: it is corrupt or larger than the limit of %2")
                .arg(result.url, limitText(limit));
    else if (code != QNetworkReply::NoError && !statusRestated)
        result.error = QStringLiteral("network error: %1").arg(reply->errorString());
    else if (length.isValid() && body.size() < length.toLongLong())
        result.error = QStringLiteral("network error: the reply ended after %1 of %2 bytes")
                           .arg(body.size())
                           .arg(length.toLongLong());
    if (result.error.isEmpty())
        result.body = std::move(body);
    return result;
}

} // namespace

struct HttpTransfer::Private {
    QNetworkAccessManager manager;
    QPointer<QNetworkReply> reply; // the request that runs
    QTimer idle;                   // restarted by every sign of progress
    QTimer deadline;               // the whole transfer, redirects included
    QString stopped;               // why this side ended the request; empty when it did not
    bool redirected = false;       // Qt followed a redirect and no response has come since
    bool running = false;
    qint64 limit = 0; // the reply limit, read when the request started
    // A POST, kept to follow its redirects here: Qt 6.4 often fails a POST it sends again itself
    // for a 307 or 308 (after the server may have stored it).
    bool post = false;
    QUrl origin;
    QByteArray body;
    QByteArray contentType;
    int redirects = 0;

    // Ends the running request with the given reason, unless it has ended already.
    void stop(const QString &why)
    {
        if (!reply || reply->isFinished() || !stopped.isEmpty())
            return;
        stopped = why;
        reply->abort();
    }
};

HttpTransfer::HttpTransfer(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->idle.setSingleShot(true);
    d->deadline.setSingleShot(true);
    // Both are stopped when the request ends, before its reply is released.
    connect(&d->idle, &QTimer::timeout, this, [this] {
        d->stop(
            QStringLiteral("no progress for %1 ms from %2").arg(g_timeoutMilliseconds).arg(d->reply->url().toString()));
    });
    connect(&d->deadline, &QTimer::timeout, this, [this] {
        d->stop(QStringLiteral("no complete reply within the deadline of %1 ms from %2")
                    .arg(g_deadlineMilliseconds)
                    .arg(d->reply->url().toString()));
    });
}

HttpTransfer::~HttpTransfer() = default;

bool HttpTransfer::get(const QUrl &url)
{
    return start(url, nullptr, {});
}

bool HttpTransfer::post(const QUrl &url, const QByteArray &body, const QByteArray &contentType)
{
    return start(url, &body, contentType);
}

bool HttpTransfer::start(const QUrl &url, const QByteArray *postBody, const QByteArray &contentType)
{
    if (d->running)
        return false;
    d->running = true;
    d->stopped.clear();
    d->limit = replyLimit();
    d->post = postBody != nullptr;
    d->origin = url;
    d->body = postBody ? *postBody : QByteArray();
    d->contentType = contentType;
    d->redirects = 0;
    d->idle.start(g_timeoutMilliseconds);
    d->deadline.start(g_deadlineMilliseconds);
    send(url, d->post);
    return true;
}

void HttpTransfer::send(const QUrl &url, bool post)
{
    QNetworkRequest request(url);
    // Every redirect of a POST, the GET of a 303 included, is followed here (followRedirect).
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         d->post ? QNetworkRequest::ManualRedirectPolicy : QNetworkRequest::NoLessSafeRedirectPolicy);
    // Qt refuses a reply over 10 MiB that shrank more than a hundredfold, and real members do;
    // below the reply limit it may, and a bomb is still refused as it grows past the limit.
    request.setDecompressedSafetyCheckThreshold(d->limit);
    if (post && !d->contentType.isEmpty())
        request.setRawHeader("Content-Type", d->contentType);

    QNetworkReply *reply = post ? d->manager.post(request, d->body) : d->manager.get(request);
    // Qt stops reading from the network once it holds about this much, however fast the reply
    // comes, so one past the limit is refused holding at most twice the limit. (Qt may stop short
    // of a buffer just past the limit, where no more would come and the limit never be passed.)
    reply->setReadBufferSize(2 * d->limit);
    d->reply = reply;
    d->redirected = false;
    auto tooLarge = [this, reply] {
        d->stop(QStringLiteral("the reply from %1 is larger than the limit of %2")
                    .arg(reply->url().toString(), limitText(d->limit)));
    };
    connect(reply, &QNetworkReply::uploadProgress, this, [this] { d->idle.start(); });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply, tooLarge] {
        d->idle.start();
        d->redirected = false;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > d->limit)
            tooLarge();
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, tooLarge] {
        d->idle.start();
        if (reply->bytesAvailable() > d->limit)
            tooLarge();
    });
    connect(reply, &QNetworkReply::redirected, this, [this] {
        d->idle.start();
        d->redirected = true;
    });
    // Queued, so the reply's own signal has returned before the handler may release this object.
    connect(
        reply, &QNetworkReply::finished, this,
        [this, reply] {
            reply->deleteLater();
            if (d->post && d->stopped.isEmpty() && followRedirect(reply))
                return;
            d->idle.stop();
            d->deadline.stop();
            d->body = QByteArray(); // not kept past the transfer
            const HttpResult result = readReply(reply, d->stopped, d->redirected, d->limit);
            QPointer<HttpTransfer> self(this);
            Q_EMIT finished(result);
            if (self)
                d->running = false;
        },
        Qt::QueuedConnection);
}

bool HttpTransfer::followRedirect(QNetworkReply *reply)
{
    // As Qt follows them: the body goes again only where a 307 or 308 points; 301, 302 and 303
    // fetch the answer with a GET.
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool postAgain = status == 307 || status == 308;
    const QVariant target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute);
    if (!target.isValid() || reply->error() != QNetworkReply::NoError || (!postAgain && (status < 301 || status > 303)))
        return false;
    const QUrl to = reply->url().resolved(target.toUrl());
    if (!sameSchemeHostAndPort(d->origin, to)) {
        d->stopped =
            QStringLiteral("a redirect from %1 to %2 was refused: a POST goes only to the same scheme, host and port")
                .arg(reply->url().toString(), to.toString());
        return false;
    }
    if (++d->redirects > QNetworkRequest().maximumRedirectsAllowed()) {
        d->stopped = QStringLiteral("too many redirects from %1").arg(d->origin.toString());
        return false;
    }
    d->idle.start();
    send(to, postAgain);
    return true;
}

bool HttpTransfer::isRunning() const
{
    return d->running;
}

void HttpTransfer::setTimeoutMilliseconds(int noProgressMs, int deadlineMs)
{
    g_timeoutMilliseconds = noProgressMs;
    g_deadlineMilliseconds = deadlineMs;
}

HttpResult httpGet(const QUrl &url)
{
    HttpTransfer transfer;
    QEventLoop loop;
    HttpResult result;
    QObject::connect(&transfer, &HttpTransfer::finished, &loop, [&](const HttpResult &r) {
        result = r;
        loop.quit();
    });
    transfer.get(url);
    const InputHold hold;
    loop.exec();
    return result;
}

} // namespace VynMemberComment::Platform
