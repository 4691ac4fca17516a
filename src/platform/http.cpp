#include "platform/http.h"

#include "platform/inputhold.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

namespace VynMemberComment::Platform {

namespace {

int g_timeoutMilliseconds = 60 * 1000;

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

// Reads a finished reply. Its status, whatever it is, belongs to the caller to judge; what makes it
// no response is decided here, once for both requests.
HttpResult readReply(QNetworkReply *reply)
{
    HttpResult result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.status = status.isValid() ? status.toInt() : 0;
    result.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    result.url = reply->url().toString();
    result.charset = charsetOf(reply->rawHeader("Content-Type"));
    QByteArray body = reply->readAll();

    // An error code below the content errors is the transport's (refused, reset, closed, timed
    // out); the content and server errors only restate an HTTP status. Qt may also end a cut
    // reply without an error, short of its Content-Length.
    const QNetworkReply::NetworkError code = reply->error();
    const bool transportError = code != QNetworkReply::NoError && code < QNetworkReply::ContentAccessDenied;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (code == QNetworkReply::OperationCanceledError)
        result.error = QStringLiteral("no progress for %1 ms from %2").arg(g_timeoutMilliseconds).arg(result.url);
    else if (transportError || code == QNetworkReply::ProtocolFailure || (result.status == 0 && code != QNetworkReply::NoError))
        result.error = QStringLiteral("network error: %1").arg(reply->errorString());
    else if (length.isValid() && body.size() < length.toLongLong())
        result.error = QStringLiteral("network error: the reply ended after %1 of %2 bytes").arg(body.size()).arg(length.toLongLong());
    if (result.error.isEmpty())
        result.body = std::move(body);
    return result;
}

} // namespace

struct HttpTransfer::Private {
    QNetworkAccessManager manager;
    bool running = false;
};

HttpTransfer::HttpTransfer(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
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
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(g_timeoutMilliseconds);
    if (!contentType.isEmpty())
        request.setRawHeader("Content-Type", contentType);

    d->running = true;
    QNetworkReply *reply = postBody ? d->manager.post(request, *postBody) : d->manager.get(request);
    // Queued, so the reply's own signal has returned before the handler may release this object.
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        const HttpResult result = readReply(reply);
        reply->deleteLater();
        QPointer<HttpTransfer> self(this);
        Q_EMIT finished(result);
        if (self)
            d->running = false;
    }, Qt::QueuedConnection);
    return true;
}

bool HttpTransfer::isRunning() const
{
    return d->running;
}

void HttpTransfer::setTimeoutMilliseconds(int ms)
{
    g_timeoutMilliseconds = ms;
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
