#include "referenceserver.h"

#include "controlsteps.h"
#include "floors.h"

#include "exchange/savebatch.h"
#include "exchange/serverpage.h"
#include "platform/codepage.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <pugixml.hpp>

#include <sys/prctl.h>

#include <csignal>

namespace Bench {

namespace {

QProcess *g_running = nullptr;

void stopRunning()
{
    if (g_running)
        g_running->kill();
}

// A port nothing listens on now.
quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        fail("no free port for membercomment-server");
    return probe.serverPort();
}

} // namespace

ReferenceServer::ReferenceServer()
{
    if (!m_dir.isValid())
        fail("no temporary folder for the database");
    const quint16 port = freePort();
    m_process.setProgram(QStringLiteral(MEMBERCOMMENT_SERVER));
    m_process.setArguments({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port),
                            QStringLiteral("--db"), m_dir.filePath(QStringLiteral("comments.db")),
                            QStringLiteral("--seed-demo"), QStringLiteral("--code-page"),
                            QStringLiteral("CP%1").arg(VynMemberComment::Platform::systemCodePage())});
    // It logs every request: kept in a file, so that no pipe fills up while the benchmark is busy.
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("server.log")));
    m_process.setStandardOutputFile(QProcess::nullDevice());
    // The server goes with the benchmark, however that ends.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start();
    if (!m_process.waitForStarted(10000))
        fail("membercomment-server did not start");
    g_running = &m_process;
    atFailure(stopRunning);

    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200))
            break;
        if (waited.elapsed() > 10000 || m_process.state() != QProcess::Running)
            fail("membercomment-server does not answer");
        QThread::msleep(20);
    }
    m_baseUrl = QStringLiteral("http://127.0.0.1:%1").arg(port);
}

ReferenceServer::~ReferenceServer()
{
    m_process.terminate();
    if (!m_process.waitForFinished(10000))
        m_process.kill();
    g_running = nullptr;
}

QUrl ReferenceServer::loadUrl(qint32 member, qint16 person) const
{
    return QUrl(VynMemberComment::loadUrl(m_baseUrl, person, 1, member));
}

std::size_t ReferenceServer::heldComments(qint32 member, qint16 person) const
{
    const Fetched fetched = fetch(loadUrl(member, person), Compression::Refused);
    if (!fetched.error.isEmpty())
        fail("the server's load failed");
    QByteArray reply = fetched.body;
    pugi::xml_document doc;
    if (!doc.load_buffer_inplace(reply.data(), std::size_t(reply.size())))
        fail("the server's load reply is no XML document");
    // Read by position, as the control reads it: the comments are the fourth section.
    pugi::xml_node section = doc.document_element().first_child();
    for (int i = 0; i < 3 && section; ++i)
        section = section.next_sibling();
    std::size_t comments = 0;
    for (pugi::xml_node comment = section.first_child(); comment; comment = comment.next_sibling())
        ++comments;
    return comments;
}

void ReferenceServer::fill(qint32 member, qint16 person, std::size_t total, const std::vector<Record> &records)
{
    using namespace VynMemberComment;
    const QUrl saveUrl(VynMemberComment::saveUrl(m_baseUrl));
    std::size_t held = heldComments(member, person);
    while (held < total) {
        const std::size_t batch = std::min<std::size_t>(1000, total - held);
        std::vector<CommentRow> rows(batch);
        for (std::size_t i = 0; i < batch; ++i) {
            const std::size_t n = held + i;
            const Record &r = records[n % records.size()];
            // The demo data has groups 1 to 4 and types 1 to 5.
            const std::string cells[Column::Count] = {r[0],  std::to_string(member),
                                                      "N",   std::to_string(1 + n % 4),
                                                      r[4],  std::to_string(1 + n % 5),
                                                      r[6],  r[7],
                                                      r[8],  r[9],
                                                      r[10], r[11],
                                                      r[12], r[13]};
            for (const std::string &cell : cells)
                rows[i].appendCell(QString::fromStdString(cell));
        }
        const EncodedBatch form = buildEncodedBatch(rows, member, Platform::systemCodePage());
        if (form.error)
            fail("the seed rows cannot be saved");
        const QByteArray reply = postFloor(saveUrl, form.form);
        if (!reply.startsWith("Saved " + QByteArray::number(qulonglong(batch)) + " new")) {
            std::fprintf(stderr, "%s\n", reply.constData());
            fail("the server did not save the seed rows");
        }
        held += batch;
    }
    if (heldComments(member, person) != total)
        fail("the member does not hold the comments saved for it");
}

} // namespace Bench
