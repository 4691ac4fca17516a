// The server page when its database fails: down, a connection cut in the middle of a batch or at
// its commit, a full disk. The client gets a 5xx with a text the control shows, nothing is half
// written, and the server serves again as soon as the database does, without a restart.
#include "support/backends.h"
#include "support/serverclient.h"
#include "support/serverpage.h"
#include "support/serverprocess.h"

#include <membercommentserver.h>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <memory>

using namespace MemberCommentServer;

namespace {

const std::string kLoadPath = "/MemberComment.asp?Type=1&PersonID=7&MemberID=1001";

// New comments for member 1001, saved; the status and the reply's text.
std::string save(int port, const QStringList &texts)
{
    std::vector<VynMemberComment::CommentRow> rows;
    for (const QString &text : texts)
        rows.push_back(listRow(1001, text, QStringLiteral("N")));
    const auto res = clientFor(port)->Post("/MemberComment.asp", formBody(rows, 1001), kSaveHeader);
    return res ? std::to_string(res->status) + " " + res->body : std::string("no reply");
}

std::vector<QString> texts(const std::map<int, QString> &comments)
{
    std::vector<QString> out;
    for (const auto &[sequence, text] : comments)
        out.push_back(text);
    return out;
}

class PostgresFaultsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.ready());
        ServerOptions options;
        options.database = db.address();
        options.seedDemo = true;
        server = std::make_unique<Server>(options);
        server->start();
    }

    // Ends every connection to the database, and waits until they are gone.
    void cutConnections() const
    {
        db.admin("SELECT pg_terminate_backend(pid, 10000) FROM pg_stat_activity WHERE datname = '" + db.name() + "'");
    }

    TestDatabase db{Backend::PostgreSQL};
    std::unique_ptr<Server> server;
};

} // namespace

TEST_F(PostgresFaultsTest, DatabaseDownAndBack)
{
    std::vector<QString> expected = texts(loadComments(server->port(), 1001));
    db.admin("ALTER DATABASE " + db.name() + " ALLOW_CONNECTIONS false");
    cutConnections();

    const auto load = clientFor(server->port())->Get(kLoadPath.c_str());
    ASSERT_TRUE(load);
    EXPECT_EQ(load->status, 503);
    EXPECT_EQ(load->body.rfind("The database cannot be reached (", 0), 0u) << load->body;
    const std::string saved = save(server->port(), {QStringLiteral("While it is down")});
    EXPECT_EQ(saved.rfind("503 Nothing was saved: the database cannot be reached (", 0), 0u) << saved;

    db.admin("ALTER DATABASE " + db.name() + " ALLOW_CONNECTIONS true");
    EXPECT_EQ(save(server->port(), {QStringLiteral("Once it is back")}), "200 Saved 1 new and 0 changed comment(s).");
    expected.push_back(QStringLiteral("Once it is back"));
    EXPECT_EQ(texts(loadComments(server->port(), 1001)), expected);
}

TEST_F(PostgresFaultsTest, FailuresInTheMiddleOfABatchLeaveNothing)
{
    // Each fault strikes the batch's second comment, through a trigger.
    const char *kCut = "CREATE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                       "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$;";
    const struct {
        const char *name;
        std::string fault;
        const char *reply; // how it starts
    } rows[] = {
        {"the connection cut mid-batch",
         std::string(kCut)
             + "CREATE TRIGGER fault BEFORE INSERT ON MemberDiscussionComment FOR EACH ROW "
               "WHEN (NEW.CommentDescription = 'second') EXECUTE FUNCTION fault();",
         "503 Nothing was saved: the database cannot be reached (terminating connection"},
        {"the connection cut at the commit",
         std::string(kCut)
             + "CREATE CONSTRAINT TRIGGER fault AFTER INSERT ON MemberDiscussionComment "
               "DEFERRABLE INITIALLY DEFERRED FOR EACH ROW WHEN (NEW.CommentDescription = 'second') "
               "EXECUTE FUNCTION fault();",
         "503 Nothing was saved: the database cannot be reached (the connection to the database was lost before "
         "the batch was committed)"},
        {"a full disk",
         "CREATE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION "
         "'could not extend file: No space left on device' USING ERRCODE = 'disk_full'; END $$;"
         "CREATE TRIGGER fault BEFORE INSERT ON MemberDiscussionComment FOR EACH ROW "
         "WHEN (NEW.CommentDescription = 'second') EXECUTE FUNCTION fault();",
         "500 Nothing was saved: the database failed: could not extend file: No space left on device"},
    };
    std::vector<QString> expected = texts(loadComments(server->port(), 1001));
    for (const auto &row : rows) {
        db.execute(row.fault);
        const std::string reply = save(server->port(), {QStringLiteral("first"), QStringLiteral("second")});
        EXPECT_EQ(reply.rfind(row.reply, 0), 0u) << row.name << ": " << reply;
        EXPECT_EQ(texts(loadComments(server->port(), 1001)), expected) << row.name;

        db.execute("DROP TRIGGER fault ON MemberDiscussionComment; DROP FUNCTION fault();");
        EXPECT_EQ(save(server->port(), {QString::fromLatin1(row.name)}), "200 Saved 1 new and 0 changed comment(s).");
        expected.push_back(QString::fromLatin1(row.name));
        EXPECT_EQ(texts(loadComments(server->port(), 1001)), expected) << row.name;
    }
}

TEST(SqliteFaultsTest, FullDiskLeavesNothing)
{
    TestDatabase db(Backend::SQLite);
    // The server may write files of at most 1 MiB, as if the disk were full beyond that.
    auto server =
        std::make_unique<ServerProcess>(db.filePath(QStringLiteral("server.log")),
                                        QStringList{"--db", QString::fromStdString(db.address()), "--seed-demo"}, [] {
                                            const rlimit fileSize{1 << 20, RLIM_INFINITY};
                                            ::setrlimit(RLIMIT_FSIZE, &fileSize);
                                        });
    ASSERT_TRUE(server->ready());
    std::vector<QString> expected = texts(loadComments(server->port(), 1001));

    const QStringList large(20, QString(60000, QLatin1Char('x')));
    const std::string full = save(server->port(), large);
    EXPECT_EQ(full.rfind("500 Nothing was saved: the database failed: ", 0), 0u) << full;
    EXPECT_EQ(texts(loadComments(server->port(), 1001)), expected);

    // Room again: the same server saves.
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    ASSERT_EQ(::prlimit(pid_t(server->pid()), RLIMIT_FSIZE, &unlimited, nullptr), 0);
    EXPECT_EQ(save(server->port(), large), "200 Saved 20 new and 0 changed comment(s).");
    expected.insert(expected.end(), large.begin(), large.end());
    EXPECT_EQ(texts(loadComments(server->port(), 1001)), expected);
}
