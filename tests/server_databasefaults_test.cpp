// The server page when its database fails: down, a connection cut in the middle of a batch or at
// its commit, a full disk. The client gets a 5xx with a text the control shows, nothing is half
// written, and the server serves again as soon as the database does, without a restart.
#include "support/backends.h"
#include "support/serverpage.h"
#include "support/serverprocess.h"

#include <membercommentserver.h>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <memory>

namespace {

// New comments for member 1001, saved: the reply's status and text.
std::string save(int port, const QStringList &texts)
{
    std::vector<VynMemberComment::CommentRow> rows;
    for (const QString &text : texts)
        rows.push_back(listRow(1001, text, QStringLiteral("N")));
    const auto res = clientFor(port)->Post("/MemberComment.asp", formBody(rows, 1001), kSaveHeader);
    return res ? std::to_string(res->status) + " " + res->body : std::string("no reply");
}

// The texts of member 1001's comments, in their order.
QStringList texts(int port)
{
    QStringList out;
    for (const auto &[sequence, text] : loadComments(port, 1001))
        out << text;
    return out;
}

} // namespace

TEST(PostgresFaultsTest, DatabaseDownOrFailingInTheMiddleOfABatchLeavesNothing)
{
    TestDatabase db(Backend::PostgreSQL);
    ASSERT_TRUE(db.ready());
    MemberCommentServer::Server server({db.address(), true});
    const int port = server.start();
    QStringList expected = texts(port);

    // Down: no connection is allowed, and every one there is ended.
    db.admin("ALTER DATABASE " + db.name() + " ALLOW_CONNECTIONS false");
    db.admin("SELECT pg_terminate_backend(pid, 10000) FROM pg_stat_activity WHERE datname = '" + db.name() + "'");
    const auto load = clientFor(port)->Get("/MemberComment.asp?Type=1&PersonID=7&MemberID=1001");
    ASSERT_TRUE(load);
    EXPECT_EQ(load->status, 503);
    EXPECT_EQ(load->body.rfind("The database cannot be reached (", 0), 0u) << load->body;
    const std::string down = save(port, {QStringLiteral("While it is down")});
    EXPECT_EQ(down.rfind("503 Nothing was saved: the database cannot be reached (", 0), 0u) << down;
    db.admin("ALTER DATABASE " + db.name() + " ALLOW_CONNECTIONS true");
    EXPECT_EQ(save(port, {QStringLiteral("Once it is back")}), "200 Saved 1 new and 0 changed comment(s).");
    expected << QStringLiteral("Once it is back");
    EXPECT_EQ(texts(port), expected);

    // Each fault strikes the batch's second comment, through a trigger.
    const std::string cut = "CREATE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                            "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$;";
    const std::string onSecond = " FOR EACH ROW WHEN (NEW.CommentDescription = 'second') EXECUTE FUNCTION fault();";
    const struct {
        const char *name;
        std::string fault;
        const char *reply; // how it starts
    } rows[] = {
        {"the connection cut mid-batch",
         cut + "CREATE TRIGGER fault BEFORE INSERT ON MemberDiscussionComment" + onSecond,
         "503 Nothing was saved: the database cannot be reached (terminating connection"},
        {"the connection cut at the commit",
         cut + "CREATE CONSTRAINT TRIGGER fault AFTER INSERT ON MemberDiscussionComment DEFERRABLE INITIALLY DEFERRED"
             + onSecond,
         "503 Nothing was saved: the database cannot be reached (the connection to the database was lost before "
         "the batch was committed)"},
        {"a full disk",
         "CREATE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION "
         "'could not extend file: No space left on device' USING ERRCODE = 'disk_full'; END $$;"
         "CREATE TRIGGER fault BEFORE INSERT ON MemberDiscussionComment"
             + onSecond,
         "500 Nothing was saved: the database failed: could not extend file: No space left on device"},
    };
    for (const auto &row : rows) {
        db.execute(row.fault);
        const std::string reply = save(port, {QStringLiteral("first"), QStringLiteral("second")});
        EXPECT_EQ(reply.rfind(row.reply, 0), 0u) << row.name << ": " << reply;
        EXPECT_EQ(texts(port), expected) << row.name;

        db.execute("DROP TRIGGER fault ON MemberDiscussionComment; DROP FUNCTION fault();");
        EXPECT_EQ(save(port, {QString::fromLatin1(row.name)}), "200 Saved 1 new and 0 changed comment(s).");
        expected << QString::fromLatin1(row.name);
        EXPECT_EQ(texts(port), expected) << row.name;
    }
}

TEST(SqliteFaultsTest, FullDiskLeavesNothing)
{
    TestDatabase db(Backend::SQLite);
    // The server may write files of at most 1 MiB, as if the disk were full beyond that.
    ServerProcess server(db.filePath(QStringLiteral("server.log")),
                         {"--db", QString::fromStdString(db.address()), "--seed-demo"}, [] {
                             const rlimit fileSize{1 << 20, RLIM_INFINITY};
                             ::setrlimit(RLIMIT_FSIZE, &fileSize);
                         });
    ASSERT_TRUE(server.ready());
    QStringList expected = texts(server.port());

    const QStringList large(20, QString(60000, QLatin1Char('x')));
    const std::string full = save(server.port(), large);
    EXPECT_EQ(full.rfind("500 Nothing was saved: the database failed: ", 0), 0u) << full;
    EXPECT_EQ(texts(server.port()), expected);

    // Room again: the same server saves.
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    ASSERT_EQ(::prlimit(pid_t(server.pid()), RLIMIT_FSIZE, &unlimited, nullptr), 0);
    EXPECT_EQ(save(server.port(), large), "200 Saved 20 new and 0 changed comment(s).");
    EXPECT_EQ(texts(server.port()), expected + large);
}
