#include "membercommentserver.h"
#include "support/backends.h"
#include "support/serverclient.h"

#include "exchange/urlencode.h"

#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>
#include <httplib.h>
#include <pugixml.hpp>

#include <chrono>
#include <future>
#include <memory>
#include <vector>

using namespace MemberCommentServer;

namespace {

const std::string kLoadPath = "/MemberComment.asp?Type=1&PersonID=7&MemberID=1001";
constexpr size_t kLimit = 16 * 1024 * 1024;

std::string header(const std::string &member)
{
    return "Declare @MaxID  int select @MaxId = (Select Max(CommentSequence) From MemberDiscussionComment where "
           "MemberID ="
        + member + ")  Set @MaxId = ISNull(@MaxID,0) ";
}

std::string header(int member)
{
    return header(std::to_string(member));
}

std::string literal(std::string text)
{
    for (size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 2))
        text.insert(at, 1, '\'');
    return "'" + text + "'";
}

std::string insert(int member, const std::string &text, int offset, int group = 2, int type = 5,
                   const std::string &by = "Demo Clerk")
{
    return "INSERT INTO MemberDiscussionComment (MemberID,CommentDescription ,CommentSequence,CommentGroup , "
           "CommentType, CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta,RecordLastUpdated, "
           "FocusFranchiseRelations) VALUES ("
        + std::to_string(member) + " ," + literal(text) + ",@MAXID+" + std::to_string(offset) + ","
        + std::to_string(group) + "," + std::to_string(type) + ",GETDATE()," + literal(by) + ",1,0,1,GETDATE(),0);";
}

std::string update(int member, const std::string &text, int sequence, int group = 3, int type = 4)
{
    return "UPDATE MemberDiscussionComment  SET CommentDescription = " + literal(text)
        + ", CommentGroup = " + std::to_string(group) + ", CommentType = " + std::to_string(type)
        + ", Focuscenter = 0, FocusMembership = 0, FocusBeta = 1, FocusFranchiseRelations = 1, RecordLastUpdated "
          "= GETDATE() WHERE MemberID = "
        + std::to_string(member) + " AND CommentSequence = " + std::to_string(sequence) + ";";
}

// The form body the control posts: the batch encoded in the code page.
std::string formBody(const std::string &batch, int codePage = 1252)
{
    return "SQL=" + VynMemberComment::urlEncode(QString::fromStdString(batch), codePage).toStdString();
}

// A comment record of the load reply as its fourteen field texts.
using Record = std::vector<std::string>;

struct LoadReply {
    std::string user;
    std::vector<Record> groups, types, comments;
};

std::vector<Record> records(const pugi::xml_node &section)
{
    std::vector<Record> out;
    for (const pugi::xml_node &record : section.children()) {
        Record fields;
        for (const pugi::xml_node &field : record.children())
            fields.push_back(field.first_child().value());
        out.push_back(std::move(fields));
    }
    return out;
}

// Reads the reply by position, as the control does.
LoadReply parseLoadReply(const std::string &xml)
{
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(xml.c_str(), pugi::parse_default)) << xml;
    std::vector<pugi::xml_node> sections;
    for (const pugi::xml_node &section : doc.document_element().children())
        sections.push_back(section);
    EXPECT_EQ(sections.size(), 4u);
    if (sections.size() != 4)
        return {};
    return {sections[0].first_child().value(), records(sections[1]), records(sections[2]), records(sections[3])};
}

// The page's rules, on SQLite.
class ServerRoutesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_db = std::make_unique<TestDatabase>(backend());
        ASSERT_TRUE(m_db->ready());
        m_server = startServer();
        m_client = clientFor(m_server->port());
    }

    void TearDown() override
    {
        if (m_server)
            m_server->stop();
    }

    virtual Backend backend() const { return Backend::SQLite; }

    std::unique_ptr<Server> startServer(const std::string &codePage = "CP1252")
    {
        ServerOptions options;
        options.database = m_db->address();
        options.seedDemo = true;
        options.codePage = codePage;
        auto server = std::make_unique<Server>(options);
        server->start("127.0.0.1", 0);
        return server;
    }

    std::string load(const std::string &path = kLoadPath)
    {
        const auto res = m_client->Get(path.c_str());
        EXPECT_TRUE(res);
        if (!res)
            return {};
        EXPECT_EQ(res->status, 200) << res->body;
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/xml; charset=utf-8");
        return res->body;
    }

    httplib::Result save(const std::string &body, httplib::Client *client = nullptr)
    {
        return (client ? client : m_client.get())
            ->Post("/MemberComment.asp", body, "application/x-www-form-urlencoded");
    }

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<Server> m_server;
    std::unique_ptr<httplib::Client> m_client;
};

// What reaches the database, on each backend.
class ServerStorageTest : public ServerRoutesTest, public ::testing::WithParamInterface<Backend>
{
protected:
    Backend backend() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Backends, ServerStorageTest, kBackends, backendName);

} // namespace

TEST_P(ServerStorageTest, LoadReplyHasFourSectionsInColumnOrder)
{
    const std::string xml = load("/any/where/MemberComment.asp?Type=-1&PersonID=8&MemberID=1001");
    EXPECT_NE(xml.find("Invoice 4711 &amp; late fee &lt;waived&gt; once."), std::string::npos);

    const LoadReply reply = parseLoadReply(xml);
    EXPECT_EQ(reply.user, "Pat O'Hara");
    ASSERT_EQ(reply.groups.size(), 4u);
    EXPECT_EQ(reply.groups[1], (Record{"2", "Billing"}));
    ASSERT_EQ(reply.types.size(), 5u);
    EXPECT_EQ(reply.types[4], (Record{"5", "Note"}));
    ASSERT_EQ(reply.comments.size(), 4u);
    EXPECT_EQ(reply.comments[0],
              (Record{"Welcome call: member asked about the renewal date.", "1001", "1", "3", "Membership", "1",
                      "Phone call", "8/5/2010 03:04PM", "Demo Clerk", "0", "1", "0", "Aug 05 2010 03:04PM", "0"}));
    EXPECT_EQ(reply.comments[1][0], "Invoice 4711 & late fee <waived> once.");
    EXPECT_EQ(reply.comments[1][7], "1/17/2011 09:30AM");
    EXPECT_EQ(reply.comments[1][12], "Feb 01 2011 12:30PM"); // noon is PM
    EXPECT_EQ(reply.comments[2][0], "Visited the store; franchise agreement \"draft 2\" handed over.");
    EXPECT_EQ(reply.comments[2][7], "11/30/2012 12:15AM"); // midnight is 12 AM
    EXPECT_EQ(reply.comments[2][8], "Pat O'Hara");
    EXPECT_EQ(reply.comments[2][13], "1");
    for (const Record &comment : reply.comments) {
        ASSERT_EQ(comment.size(), 14u);
        for (const std::string &field : comment)
            EXPECT_FALSE(field.empty()); // an empty field would stop the control's reader
    }

    // A person the database does not know still gets a name; a member without comments none.
    const LoadReply other = parseLoadReply(load("/MemberComment.asp?Type=0&PersonID=0&MemberID=0"));
    EXPECT_EQ(other.user, "Person 0");
    EXPECT_TRUE(other.comments.empty());
    EXPECT_EQ(other.groups.size(), 4u);
}

TEST_F(ServerRoutesTest, BadQueryValuesGet400)
{
    for (const char *path :
         {"/MemberComment.asp", "/MemberComment.asp?Type=1&PersonID=7",
          "/MemberComment.asp?Type=1&PersonID=abc&MemberID=1001",
          "/MemberComment.asp?Type=40000&PersonID=7&MemberID=1001", "/MemberComment.asp?Type=1&PersonID=7&MemberID=1.5",
          "/MemberComment.asp?Type=1&PersonID=7&MemberID=", "/MemberComment.asp?Type=1&PersonID=7&MemberID=+5",
          "/MemberComment.asp?Type=1&PersonID=7&MemberID=2147483648",
          "/MemberComment.asp?Type=1&PersonID=7&MemberID=1&MemberID=2"}) {
        const auto res = m_client->Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 400) << path;
        EXPECT_EQ(res->body.rfind("Bad query: ", 0), 0u) << path << ": " << res->body;
    }
}

TEST_F(ServerRoutesTest, RequestsOtherThanTheControlsAreRefused)
{
    const std::string before = load();
    const std::string form = "application/x-www-form-urlencoded";
    const std::string batch = formBody(header(1001) + insert(1001, "posted by a web page", 1));
    const struct {
        const char *method;
        std::string path;
        httplib::Headers headers;
        int status;
    } rows[] = {
        // only the page, under any path
        {"GET", "/Other.asp?Type=1&PersonID=7&MemberID=1001", {}, 404},
        {"GET", "/MemberComment.aspx?Type=1&PersonID=7&MemberID=1001", {}, 404},
        {"POST", "/MemberComment.asp/x", {{"Content-Type", form}}, 404},
        {"HEAD", "/any/where" + kLoadPath, {}, 200},
        // only GET, HEAD and POST
        {"PUT", kLoadPath, {{"Content-Type", form}}, 405},
        {"DELETE", kLoadPath, {}, 405},
        {"OPTIONS", kLoadPath, {}, 405},
        {"PATCH", kLoadPath, {{"Content-Type", form}}, 405},
        {"TRACE", kLoadPath, {}, 405},
        // nothing a web page sends: the control names no Origin, and posts a form
        {"GET", kLoadPath, {{"Origin", "http://intranet.example"}}, 403},
        {"POST", "/MemberComment.asp", {{"Content-Type", form}, {"Origin", "null"}}, 403},
        {"POST", "/MemberComment.asp", {{"Content-Type", "text/plain"}}, 415},
        {"POST", "/MemberComment.asp", {{"Content-Type", "multipart/form-data; boundary=x"}}, 415},
        {"POST", "/MemberComment.asp", {}, 415},
    };
    for (const auto &row : rows) {
        httplib::Request req;
        req.method = row.method;
        req.path = row.path;
        req.headers = row.headers;
        if (req.method != "GET" && req.method != "HEAD" && req.method != "DELETE" && req.method != "OPTIONS"
            && req.method != "TRACE")
            req.body = batch;
        const auto res = m_client->send(req);
        ASSERT_TRUE(res) << row.method << " " << row.path;
        EXPECT_EQ(res->status, row.status) << row.method << " " << row.path;
        EXPECT_EQ(res->get_header_value("Allow"), row.status == 405 ? "GET, HEAD, POST" : "") << row.method;
    }
    EXPECT_EQ(load(), before);
    // A form with parameters is a form.
    const auto res = m_client->Post("/MemberComment.asp", "SQL=x", "Application/X-WWW-Form-Urlencoded; charset=utf-8");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 422);
}

TEST_F(ServerRoutesTest, TextsXmlCannotCarryAreRefusedInEveryCodePage)
{
    // Every byte escaped, the field name too: the form as a control in that code page would send it.
    const auto escaped = [](const std::string &bytes) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        std::string out;
        for (const char c : bytes)
            out += {'%', kHex[static_cast<unsigned char>(c) >> 4], kHex[c & 15]};
        return out;
    };
    const auto utf16 = [](const std::string &utf8) {
        const QString text = QString::fromUtf8(utf8);
        return std::string(reinterpret_cast<const char *>(text.utf16()), size_t(text.size()) * 2);
    };
    const struct {
        const char *codePage;
        std::string text; // UTF-8, or bytes that are not
        int status;
    } rows[] = {
        {"UTF-8", "\xEF\xBF\xBE", 422},     // U+FFFE
        {"UTF-8", "\xEF\xBF\xBF", 422},     // U+FFFF
        {"UTF-8", "\xF4\x90\x80\x80", 422}, // beyond U+10FFFF
        {"UTF-8", "\xF8\x88\x80\x80\x80", 422},
        {"UTF-8", "\x1B[2J", 422},
        {"UTF-8", std::string(1, '\0'), 422},
        {"UTF-8", "\xED\xA0\x80", 400}, // a lone surrogate is no text of the code page at all
        {"UTF-8", "\xFF", 400},
        {"UTF-16LE", "\xEF\xBF\xBF", 422},
        {"UTF-16LE", "\x7F\x01", 422},
        {"CP1252", "\x01", 422},
    };
    const std::string before = load();
    for (const auto &row : rows) {
        m_server->stop();
        m_server = startServer(row.codePage);
        m_client = clientFor(m_server->port());
        const std::string batch = header(1001) + insert(1001, "a" + row.text + "b", 1);
        const auto inCodePage = [&row, &utf16](const std::string &text) {
            return std::string(row.codePage) == "UTF-16LE" ? utf16(text) : text;
        };
        const auto res = save(escaped(inCodePage("SQL")) + "=" + escaped(inCodePage(batch)));
        ASSERT_TRUE(res) << row.codePage << " " << row.text;
        EXPECT_EQ(res->status, row.status) << row.codePage << " " << row.text << ": " << res->body;
        if (row.status == 422)
            EXPECT_NE(res->body.find("XML cannot carry"), std::string::npos) << res->body;
        EXPECT_EQ(load(), before) << row.codePage << " " << row.text;
    }
}

TEST_P(ServerStorageTest, StoredTextsXmlCannotCarryStillLoad)
{
    // Written by hand, or by an older server: each such character arrives as U+FFFD. (PostgreSQL
    // holds no malformed UTF-8.)
    const bool sqlite = GetParam() == Backend::SQLite;
    const std::string chr = sqlite ? "char" : "chr";
    m_db->execute("UPDATE MemberDiscussionComment SET CommentDescription = 'a' || " + chr + "(65534) || " + chr
                  + "(1) || " + (sqlite ? "CAST(x'FF' AS TEXT) || " : "") + chr
                  + "(12354) || 'b' WHERE MemberID = 1001 AND CommentSequence = 1");
    EXPECT_EQ(parseLoadReply(load()).comments.at(0).at(0),
              sqlite ? "a\uFFFD\uFFFD\uFFFD\u3042b" : "a\uFFFD\uFFFD\u3042b");
}

TEST_F(ServerRoutesTest, LargeSavesAtOnceAreAllTaken)
{
    // More large bodies than the server holds at once: the others wait their turn.
    std::vector<std::future<std::string>> saves;
    for (int i = 0; i < 8; ++i) {
        saves.push_back(std::async(std::launch::async, [this, i] {
            std::string batch = header(1001);
            for (int n = 1; n <= 40; ++n)
                batch += insert(1001, "Large " + std::to_string(i) + std::string(60000, 'x'), n);
            const auto res = save(formBody(batch), clientFor(m_server->port()).get());
            return res ? std::to_string(res->status) + " " + res->body : std::string("no reply");
        }));
    }
    for (auto &saved : saves) {
        ASSERT_EQ(saved.wait_for(std::chrono::seconds(120)), std::future_status::ready);
        EXPECT_EQ(saved.get(), "200 Saved 40 new and 0 changed comment(s).");
    }
    EXPECT_EQ(parseLoadReply(load()).comments.size(), 324u);
}

TEST_P(ServerStorageTest, SaveThenLoadShowsNewSequenceNumbers)
{
    // As long as a text may be, in characters: twice that in bytes.
    std::string hostile = "Quotes ' \" '' % & + = <tag>&amp; \xC3\xA9\r\nline 2 ";
    for (qsizetype length = QString::fromStdString(hostile).size(); length < 65536; ++length)
        hostile += "\xC3\xA9";
    const std::string batch = header(1001) + insert(1001, "First new", 1) + update(1001, "Edited", 2)
        + insert(1001, hostile, 2, 4, 1, "O'Hara");
    const auto res = save(formBody(batch));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body, "Saved 2 new and 1 changed comment(s).");
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/plain; charset=utf-8");

    const LoadReply reply = parseLoadReply(load());
    ASSERT_EQ(reply.comments.size(), 6u);
    const Record &first = reply.comments[4];
    EXPECT_EQ(first[0], "First new");
    EXPECT_EQ(first[2], "5");
    EXPECT_EQ(first[8], "Demo Clerk");
    EXPECT_EQ((Record{first[9], first[10], first[11], first[13]}), (Record{"1", "0", "1", "0"}));
    const QRegularExpression displayForm(QStringLiteral(R"(^\d{1,2}/\d{1,2}/\d{4} (0[1-9]|1[0-2]):[0-5]\d[AP]M$)"));
    const QRegularExpression monthForm(QStringLiteral(R"(^[A-Z][a-z]{2} \d{2} \d{4} (0[1-9]|1[0-2]):[0-5]\d[AP]M$)"));
    EXPECT_TRUE(displayForm.match(QString::fromStdString(first[7])).hasMatch()) << first[7];
    EXPECT_TRUE(monthForm.match(QString::fromStdString(first[12])).hasMatch()) << first[12];

    const Record &second = reply.comments[5];
    EXPECT_EQ(second[0], hostile); // CR LF included
    EXPECT_EQ(second[2], "6");
    EXPECT_EQ(second[3], "4");
    EXPECT_EQ(second[4], "Franchise");
    EXPECT_EQ(second[8], "O'Hara");

    // The change keeps the comment's date and author, and stamps RecordLastUpdated.
    const Record &edited = reply.comments[1];
    EXPECT_EQ(edited[0], "Edited");
    EXPECT_EQ(edited[2], "2");
    EXPECT_EQ((Record{edited[3], edited[4], edited[5], edited[6]}), (Record{"3", "Membership", "4", "Visit"}));
    EXPECT_EQ(edited[7], "1/17/2011 09:30AM");
    EXPECT_EQ(edited[8], "Demo Clerk");
    EXPECT_EQ((Record{edited[9], edited[10], edited[11], edited[13]}), (Record{"0", "0", "1", "1"}));
    EXPECT_EQ(edited[12], first[12]);

    // The next save continues after the highest number.
    const auto again = save(formBody(header(1001) + insert(1001, "Third", 1)));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->body, "Saved 1 new and 0 changed comment(s).");
    EXPECT_EQ(parseLoadReply(load()).comments.back()[2], "7");
}

TEST_P(ServerStorageTest, BadBatchChangesNothing)
{
    const std::string before = load();
    const std::string ok = header(1001) + insert(1001, "would be new", 1);
    std::string unclosed = insert(1001, "x", 1);
    unclosed.replace(unclosed.find("'x'"), 3, "'x''"); // the quote ends no literal
    const struct {
        std::string batch;
        const char *reason;
    } rows[] = {
        {ok + "DROP TABLE MemberDiscussionComment;",
         "Nothing was saved: statement 3 is not a comment INSERT or UPDATE"},
        {header(1001) + unclosed, "Nothing was saved: statement 2 (an INSERT) is malformed"},
        {header("MEMBER_ID_REQUIRED"), "Nothing was saved: no member was chosen"},
        {ok + update(1001, "missing", 99), "Nothing was saved: comment 99 of member 1001 does not exist"},
        {ok + insert(1001, "bad group", 2, 77), "Nothing was saved: there is no comment group 77."},
        {update(1001, "bad type", 1, 3, 66), "Nothing was saved: there is no comment type 66."},
        {header(4242) + insert(4242, "nobody", 1), "Nothing was saved: there is no member 4242."},
        {ok + update(1002, "other member", 1), "names member 1002, but the batch is for member 1001"},
        {header(1001) + insert(1001, std::string(65537, 'x'), 1),
         "has a comment text of 65537 characters; at most 65536"},
        {ok + insert(1001, "x", 2, 2, 5, std::string(65537, 'y')), "has a Comment Entered By of 65537 characters"},
    };
    for (const auto &row : rows) {
        const auto res = save(formBody(row.batch));
        ASSERT_TRUE(res) << row.batch;
        EXPECT_EQ(res->status, 422) << row.batch;
        EXPECT_NE(res->body.find(row.reason), std::string::npos) << res->body;
        EXPECT_EQ(load(), before) << row.batch;
    }
}

TEST_F(ServerRoutesTest, BrokenFormsGet400AndHugeOnes413)
{
    for (const char *body : {"", "sql=x", "Other=1", "SQL=%ZZ", "SQL=a&SQL=b", "SQL=%81"}) {
        const auto res = save(body);
        ASSERT_TRUE(res) << body;
        EXPECT_EQ(res->status, 400) << body;
        EXPECT_EQ(res->body.rfind("Nothing was saved: ", 0), 0u) << res->body;
    }

    const std::string huge(kLimit + 1, 'a');
    const auto sized = save("SQL=" + huge);
    ASSERT_TRUE(sized);
    EXPECT_EQ(sized->status, 413);

    // Without a length, in chunks, the limit holds all the same.
    const auto chunked = m_client->Post(
        "/MemberComment.asp",
        [&huge](size_t offset, httplib::DataSink &sink) {
            if (offset >= huge.size())
                sink.done();
            else
                sink.write(huge.data() + offset, std::min<size_t>(1 << 20, huge.size() - offset));
            return true;
        },
        "application/x-www-form-urlencoded");
    if (chunked) // the server may close before the client has written everything
        EXPECT_EQ(chunked->status, 413);
    EXPECT_EQ(parseLoadReply(load()).comments.size(), 4u);
}

TEST_P(ServerStorageTest, LargeBatchesAreRead)
{
    // Megabytes of form body: far beyond the 8 KiB the HTTP library takes for forms on its own.
    std::string batch = header(1001);
    for (int i = 1; i <= 3000; ++i)
        batch += insert(1001, "Bulk comment number " + std::to_string(i) + " & more", i);
    const std::string body = formBody(batch);
    ASSERT_GT(body.size(), 1000000u);
    const auto res = save(body);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "Saved 3000 new and 0 changed comment(s).");
    const LoadReply reply = parseLoadReply(load());
    ASSERT_EQ(reply.comments.size(), 3004u);
    EXPECT_EQ(reply.comments.back()[0], "Bulk comment number 3000 & more");
    EXPECT_EQ(reply.comments.back()[2], "3004");
}

TEST_F(ServerRoutesTest, DoubleByteCodePage)
{
    m_server->stop();
    m_server = startServer("CP936");
    m_client = clientFor(m_server->port());
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87 comment";
    const auto res = save(formBody(header(1001) + insert(1001, chinese, 1), 936));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "Saved 1 new and 0 changed comment(s).");
    EXPECT_EQ(parseLoadReply(load()).comments.back()[0], chinese);

    EXPECT_THROW(Server(ServerOptions{"", false, "NO-SUCH-CODE-PAGE"}), std::runtime_error);
}
