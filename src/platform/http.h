#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QNetworkReply;
class QUrl;

namespace VynMemberComment::Platform {

// What one HTTP request brought back.
struct HttpResult {
    int status = 0;     // the HTTP status; 0 when no response came
    QString reason;     // the status's reason phrase
    QString url;        // where the response came from, after any redirect
    QByteArray body;    // the whole body; empty when error is set
    QByteArray charset; // the charset its Content-Type names, in lower case; empty when none
    QString error;      // why no complete response came; empty when one did
};

// How long a transfer may go without progress before it gives up, and how long it may take in
// all, redirects included.
inline constexpr int kNoProgressMilliseconds = 60 * 1000;
inline constexpr int kDeadlineMilliseconds = 5 * 60 * 1000;

// The one HTTP path of the control, for the load's GET and the save's POST: one request at a time
// over Qt Network. A GET follows redirects that are no less safe than the request; a POST follows
// them only to the same scheme, host and port, so the batch never goes anywhere else. A transfer
// gives up after its timeout without progress and at its deadline whatever the progress (both
// carried across redirects), and stops reading a reply that grows past the reply limit (256 MiB
// after any decompression, or as many MiB as the environment variable
// VYNMEMBERCOMMENT_MAX_REPLY_MIB says when the request starts). A response
// cut short (a transport error, Qt's protocol failure, a body that could not be decompressed, or
// one shorter than its Content-Length) is no response: it ends with an error.
class HttpTransfer : public QObject
{
    Q_OBJECT
public:
    explicit HttpTransfer(QObject *parent = nullptr);
    ~HttpTransfer() override;

    // Start the request and return at once; false, with nothing sent, while a request still runs.
    bool get(const QUrl &url);
    bool post(const QUrl &url, const QByteArray &body, const QByteArray &contentType);
    // True from the start until the handling of finished has returned.
    bool isRunning() const;

    // Shortens the timeout and the deadline, in tests.
    static void setTimeoutMilliseconds(int noProgressMs, int deadlineMs = kDeadlineMilliseconds);

Q_SIGNALS:
    // Emitted once per request, from the event loop after the reply's own signal has returned, so
    // that a handler may release the transfer.
    void finished(const VynMemberComment::Platform::HttpResult &result);

private:
    bool start(const QUrl &url, const QByteArray *postBody, const QByteArray &contentType);
    // Sends one request of the transfer: the first, or one a redirect of the POST points to.
    void send(const QUrl &url, bool post);
    // Sends the request a finished reply of the POST redirects to, if it may be followed.
    bool followRedirect(QNetworkReply *reply);

    struct Private;
    std::unique_ptr<Private> d;
};

// GETs the URL and waits for the end of the transfer, holding back user input meanwhile.
HttpResult httpGet(const QUrl &url);

} // namespace VynMemberComment::Platform
