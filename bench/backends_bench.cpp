// The reference server page on each backend: the load of a member with 10,000 comments and the save
// of 1,000 changed comments, through PostgreSQL against the same GET and POST through SQLite, side by
// side in one run. The server runs in this process; the PostgreSQL database is a new one on the
// cluster whose URI (of its database "postgres", as a superuser) the first argument gives, which
// `./run bench` starts for it.
//
//   backends_bench POSTGRESQL-URI
#include "exchange/savebatch.h"
#include "exchange/urlencode.h"
#include "harness.h"

#include <membercommentserver.h>
#include <postgres.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace Bench;

namespace {

constexpr int kComments = 10000;
constexpr int kChanged = 1000;
constexpr qint32 kMember = 1001;

[[noreturn]] void fail(const std::string &why)
{
    std::fprintf(stderr, "%s\n", why.c_str());
    std::fflush(nullptr);
    std::_Exit(2);
}

// A list row as the editor leaves it: new ("N") or changed ("<sequence>U").
VynMemberComment::CommentRow listRow(const QString &text, const QString &sequence)
{
    VynMemberComment::CommentRow row(text);
    for (const QString &cell :
         {QString::number(kMember), sequence, QStringLiteral("2"), QStringLiteral("Billing"), QStringLiteral("5"),
          QStringLiteral("Note"), QStringLiteral("8/5/2010 03:04PM"), QStringLiteral("Demo Clerk"), QStringLiteral("1"),
          QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("Aug 05 2010 03:04PM"), QStringLiteral("1")})
        row.appendCell(cell);
    return row;
}

// The text of a comment, about as long as a clerk's note.
QString commentText(int n, int round)
{
    return QStringLiteral("Comment %1, round %2: called about the renewal, asked for the invoice to be sent again.")
        .arg(n)
        .arg(round);
}

// The server page on one database, filled with the member's comments through its own saves.
class ServerSide
{
public:
    explicit ServerSide(const std::string &database)
    {
        MemberCommentServer::ServerOptions options;
        options.database = database;
        options.seedDemo = true;
        m_server = std::make_unique<MemberCommentServer::Server>(options);
        m_client = std::make_unique<httplib::Client>("127.0.0.1", m_server->start());
        m_client->set_read_timeout(300);
        const int seeded = 4;
        for (int from = seeded + 1; from <= kComments; from += kChanged) {
            std::vector<VynMemberComment::CommentRow> rows;
            for (int n = from; n < from + kChanged && n <= kComments; ++n)
                rows.push_back(listRow(commentText(n, 0), QStringLiteral("N")));
            post(rows);
        }
    }

    // Milliseconds of one load of the member, uncompressed, checked for size.
    double load()
    {
        std::unique_ptr<httplib::Result> res;
        const double time = millis([&] {
            res = std::make_unique<httplib::Result>(
                m_client->Get("/MemberComment.asp?Type=1&PersonID=7&MemberID=1001", {{"Accept-Encoding", "identity"}}));
        });
        if (!*res || (*res)->status != 200
            || (*res)->body.find("<CommentSequence>10000</CommentSequence>") == std::string::npos)
            fail("the load failed");
        return time;
    }

    // Milliseconds of one save of the first 1,000 comments with new texts.
    double save()
    {
        ++m_round;
        std::vector<VynMemberComment::CommentRow> rows;
        for (int n = 1; n <= kChanged; ++n)
            rows.push_back(listRow(commentText(n, m_round), QStringLiteral("%1U").arg(n)));
        return post(rows);
    }

private:
    double post(const std::vector<VynMemberComment::CommentRow> &rows)
    {
        const VynMemberComment::StatementBatch batch = VynMemberComment::buildStatementBatch(rows, kMember);
        const std::string body = "SQL=" + VynMemberComment::urlEncode(batch.text, 1252).toStdString();
        std::unique_ptr<httplib::Result> res;
        const double time = millis([&] {
            res = std::make_unique<httplib::Result>(
                m_client->Post("/MemberComment.asp", body, "application/x-www-form-urlencoded"));
        });
        if (!*res || (*res)->status != 200)
            fail("the save failed: " + (*res ? (*res)->body : std::string("no reply")));
        return time;
    }

    std::unique_ptr<MemberCommentServer::Server> m_server;
    std::unique_ptr<httplib::Client> m_client;
    int m_round = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        fail("usage: backends_bench POSTGRESQL-URI");
    const std::string admin = argv[1];
    const size_t name = admin.find("/postgres?");
    if (name == std::string::npos)
        fail("the URI must name the database postgres: " + admin);
    try {
        MemberCommentServer::PgConnection db(admin);
        db.execute("DROP DATABASE IF EXISTS vmc_bench WITH (FORCE)");
        db.execute("CREATE DATABASE vmc_bench");
    } catch (const std::exception &e) {
        fail(std::string("cannot make the bench database: ") + e.what());
    }
    QTemporaryDir dir;
    ServerSide sqlite(dir.filePath(QStringLiteral("comments.db")).toStdString());
    ServerSide postgres(admin.substr(0, name) + "/vmc_bench" + admin.substr(name + 9));

    Report report;
    const auto loads = bestOf(7, {[&] { return postgres.load(); }, [&] { return sqlite.load(); }});
    report.figure("server: load 10,000 comments, PostgreSQL", loads[0] / loads[1],
                  "PostgreSQL " + ms(loads[0]) + ", SQLite " + ms(loads[1]));
    const auto saves = bestOf(7, {[&] { return postgres.save(); }, [&] { return sqlite.save(); }});
    report.figure("server: save 1,000 changed comments, PostgreSQL", saves[0] / saves[1],
                  "PostgreSQL " + ms(saves[0]) + ", SQLite " + ms(saves[1]));
    return 0;
}
