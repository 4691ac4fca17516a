#include "platform/transfer.h"

#include "platform/codepage.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

namespace VynMemberComment::Platform {

namespace {

int g_timeoutMilliseconds = 60 * 1000;

// The charset parameter of a Content-Type value; empty when it names none.
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

} // namespace

struct Transfer::Private {
    QNetworkAccessManager manager;
    bool running = false;
    QByteArray received;
    qsizetype readOffset = 0;
    std::unique_ptr<TextDecoder> decoder;
};

Transfer::Transfer(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
}

Transfer::~Transfer() = default;

bool Transfer::Execute(const QString &url, const QString &operation, const QByteArray &inputData, const QString &inputHdrs)
{
    if (d->running)
        return false;
    const bool post = operation.compare(QLatin1String("Post"), Qt::CaseInsensitive) == 0;
    if (!post && operation.compare(QLatin1String("Get"), Qt::CaseInsensitive) != 0)
        return false;

    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(g_timeoutMilliseconds);
    for (const QString &line : inputHdrs.split(QLatin1String("\r\n"), Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0)
            request.setRawHeader(line.left(colon).trimmed().toLatin1(), line.mid(colon + 1).trimmed().toLatin1());
    }

    d->received.clear();
    d->readOffset = 0;
    d->decoder.reset();
    d->running = true;
    QNetworkReply *reply = post ? d->manager.post(request, inputData) : d->manager.get(request);
    // Queued, so the reply's own signal has returned before the handler may release this object.
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        // Any HTTP response counts as completed, whatever its status; no status means no response.
        // A response cut short (reset, close or timeout mid-body) is no answer either: a transport
        // error says so, or, as Qt may end such a reply without one, a body short of its length.
        const QNetworkReply::NetworkError error = reply->error();
        d->received = reply->readAll();
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        const bool cutShort = (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied)
            || error == QNetworkReply::ProtocolFailure || (length.isValid() && d->received.size() < length.toLongLong());
        const bool responded = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() && !cutShort;
        if (!responded)
            d->received.clear();
        const QByteArray charset = charsetOf(reply->rawHeader("Content-Type"));
        d->decoder = std::make_unique<TextDecoder>(charset.isEmpty() ? QByteArray("utf-8") : charset);
        reply->deleteLater();

        QPointer<Transfer> self(this);
        Q_EMIT StateChanged(responded ? icResponseCompleted : icError);
        if (self)
            d->running = false;
    }, Qt::QueuedConnection);
    return true;
}

bool Transfer::StillExecuting() const
{
    return d->running;
}

QString Transfer::GetChunk(int size, int dataType)
{
    Q_UNUSED(dataType);
    if (!d->decoder || size <= 0 || d->readOffset >= d->received.size())
        return {};
    const qsizetype length = std::min<qsizetype>(size, d->received.size() - d->readOffset);
    const QByteArrayView piece(d->received.constData() + d->readOffset, length);
    d->readOffset += length;
    return d->decoder->decode(piece);
}

int Transfer::timeoutMilliseconds()
{
    return g_timeoutMilliseconds;
}

void Transfer::setTimeoutMilliseconds(int ms)
{
    g_timeoutMilliseconds = ms;
}

} // namespace VynMemberComment::Platform
