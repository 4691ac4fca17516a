#pragma once

// The membercomment-server executable (VMC_SERVER_EXECUTABLE) on a free port of 127.0.0.1,
// started and waited for; killed when dropped. Its log goes to a file, as a pipe nobody reads
// could fill up.

#include <QProcess>
#include <QStringList>
#include <QTcpServer>

#include <httplib.h>

#include <chrono>

class ServerProcess
{
public:
    ServerProcess(const QString &log, const QStringList &arguments)
    {
        // A free port can be taken by someone else before the server binds it: try a few.
        for (int attempt = 0; attempt < 5 && !m_ready; ++attempt) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0))
                continue;
            m_port = probe.serverPort();
            probe.close();
            m_process.setStandardOutputFile(QProcess::nullDevice());
            m_process.setStandardErrorFile(log, QIODevice::Append);
            m_process.start(QStringLiteral(VMC_SERVER_EXECUTABLE),
                            QStringList{"--listen", QStringLiteral("127.0.0.1:%1").arg(m_port)} + arguments);
            // Serving once any HTTP answer comes: a server that asks for credentials answers 401.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!m_ready && m_process.waitForStarted(10000) && !m_process.waitForFinished(20)
                   && std::chrono::steady_clock::now() < deadline) {
                httplib::Client client("127.0.0.1", m_port);
                client.set_connection_timeout(1);
                m_ready = bool(client.Get("/MemberComment.asp"));
            }
        }
    }

    ~ServerProcess() { killHard(); }
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    bool ready() const { return m_ready; }
    int port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }

    // SIGKILL: no chance to flush or close anything.
    void killHard()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
    int m_port = 0;
    bool m_ready = false;
};
