#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace VynMemberComment::Platform {

// The save transfer: one HTTP request at a time, started by Execute and finished while the caller
// pumps events. Any HTTP response is icResponseCompleted with its body readable through GetChunk;
// only a transport failure (refused, reset, TLS, no progress for the timeout) is icError.
class Transfer : public QObject
{
    Q_OBJECT
public:
    enum State { icError = 11, icResponseCompleted = 12 };

    explicit Transfer(QObject *parent = nullptr);
    ~Transfer() override;

    // Starts the request and returns at once. operation is "Post" or "Get"; inputHdrs holds header
    // lines "Name: value" separated by CR LF. False, with nothing sent, while a request still runs.
    bool Execute(const QString &url, const QString &operation, const QByteArray &inputData, const QString &inputHdrs);
    // True from Execute until the handling of StateChanged for the end of the transfer has returned.
    bool StillExecuting() const;
    // The next piece of the received reply, at most size bytes of it, decoded by the charset its
    // Content-Type names (UTF-8 when none); empty when nothing is left.
    QString GetChunk(int size, int dataType = 0);

    // How long a transfer may go without progress before it gives up (60 s; shortened in tests).
    static int timeoutMilliseconds();
    static void setTimeoutMilliseconds(int ms);

Q_SIGNALS:
    void StateChanged(int state);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace VynMemberComment::Platform
