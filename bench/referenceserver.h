#pragma once

// The reference server page as users run it: the membercomment-server executable in a process
// of its own, on a SQLite file of its own, filled through its save route with the control's own
// batches.

#include "benchdata.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <vector>

namespace Bench {

class ReferenceServer
{
public:
    // Starts the executable on 127.0.0.1 with a new database file holding the demo data; stops
    // the run when it does not come up.
    ReferenceServer();
    // Stops the process.
    ~ReferenceServer();
    ReferenceServer(const ReferenceServer &) = delete;
    ReferenceServer &operator=(const ReferenceServer &) = delete;

    QString baseUrl() const { return m_baseUrl; }
    // The load's address for a member, as the control asks for it.
    QUrl loadUrl(qint32 member, qint16 person) const;
    // How many comments the member holds, read from a load reply.
    std::size_t heldComments(qint32 member, qint16 person) const;
    // Adds comments with the texts of `records` (taken in turn) as new rows through the save route,
    // a thousand to a POST, until the member holds `total`.
    void fill(qint32 member, qint16 person, std::size_t total, const std::vector<Record> &records);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_baseUrl;
};

} // namespace Bench
