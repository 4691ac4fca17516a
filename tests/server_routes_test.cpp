// The page on each backend, as the control uses it: what a load shows, what a save stores and how
// it numbers the new comments, in every code page; a batch the database cannot take leaves nothing.
#include "membercommentserver.h"
#include "support/backends.h"
#include "support/serverclient.h"
#include "support/wireforms.h"

#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>
#include <httplib.h>
#include <pugixml.hpp>

#include <memory>
#include <vector>

using namespace MemberCommentServer;
using namespace WireForms;

namespace {

const std::string kLoadPath = "/MemberComment.asp?Type=1&PersonID=7&MemberID=1001";

// A record of the load reply as its field texts.
using Record = std::vector<std::string>;

struct LoadReply {
    std::string user;
    std::vector<Record> groups, types, comments;
};

// Reads the reply by position, as the control does.
LoadReply parseLoadReply(const std::string &xml)
{
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(xml.c_str())) << xml;
    std::vector<std::vector<Record>> sections;
    for (const pugi::xml_node &section : doc.document_element().children()) {
        sections.emplace_back();
        for (const pugi::xml_node &record : section.children()) {
            sections.back().emplace_back();
            for (const pugi::xml_node &field : record.children())
                sections.back().back().push_back(field.first_child().value());
        }
    }
    EXPECT_EQ(sections.size(), 4u);
    if (sections.size() != 4)
        return {};
    return {doc.document_element().first_child().first_child().value(), sections[1], sections[2], sections[3]};
}

class ServerRoutesTest : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.ready());
        start();
    }

    void start(const std::string &codePage = "CP1252")
    {
        server = std::make_unique<Server>(ServerOptions{db.address(), true, codePage});
        client = clientFor(server->start());
    }

    std::string load(const std::string &path = kLoadPath)
    {
        const auto res = client->Get(path.c_str());
        EXPECT_TRUE(res);
        if (!res)
            return {};
        EXPECT_EQ(res->status, 200) << res->body;
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/xml; charset=utf-8");
        return res->body;
    }

    // The reply's status and text.
    std::string save(const std::string &body)
    {
        const auto res = client->Post("/MemberComment.asp", body, "application/x-www-form-urlencoded");
        EXPECT_TRUE(!res || res->status != 200 || res->get_header_value("Content-Type") == "text/plain; charset=utf-8");
        return res ? std::to_string(res->status) + " " + res->body : std::string("no reply");
    }

    TestDatabase db{GetParam()};
    std::unique_ptr<Server> server;
    std::unique_ptr<httplib::Client> client;
};

INSTANTIATE_TEST_SUITE_P(Backends, ServerRoutesTest, kBackends, backendName);

} // namespace

TEST_P(ServerRoutesTest, LoadReplyHasFourSectionsInColumnOrder)
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
    // noon is PM, midnight 12 AM
    EXPECT_EQ(reply.comments[1],
              (Record{"Invoice 4711 & late fee <waived> once.", "1001", "2", "2", "Billing", "2", "E-mail",
                      "1/17/2011 09:30AM", "Demo Clerk", "1", "0", "0", "Feb 01 2011 12:30PM", "0"}));
    EXPECT_EQ(reply.comments[2],
              (Record{"Visited the store; franchise agreement \"draft 2\" handed over.", "1001", "3", "4", "Franchise",
                      "4", "Visit", "11/30/2012 12:15AM", "Pat O'Hara", "1", "0", "1", "Dec 03 2012 10:00AM", "1"}));

    // A person the database does not know still gets a name; a member without comments none.
    const LoadReply other = parseLoadReply(load("/MemberComment.asp?Type=0&PersonID=0&MemberID=0"));
    EXPECT_EQ(other.user, "Person 0");
    EXPECT_TRUE(other.comments.empty());
    EXPECT_EQ(other.groups.size(), 4u);
}

TEST_P(ServerRoutesTest, StoredTextsXmlCannotCarryStillLoad)
{
    // Written by hand, or by an older server: each such character arrives as U+FFFD. (PostgreSQL
    // holds no malformed UTF-8.)
    const bool sqlite = GetParam() == Backend::SQLite;
    const std::string chr = sqlite ? "char" : "chr";
    db.execute("UPDATE MemberDiscussionComment SET CommentDescription = 'a' || " + chr + "(65534) || " + chr + "(1) || "
               + (sqlite ? "CAST(x'FF' AS TEXT) || " : "") + chr
               + "(12354) || 'b' WHERE MemberID = 1001 AND CommentSequence = 1");
    EXPECT_EQ(parseLoadReply(load()).comments.at(0).at(0),
              sqlite ? "a\uFFFD\uFFFD\uFFFD\u3042b" : "a\uFFFD\uFFFD\u3042b");
}

TEST_P(ServerRoutesTest, SaveThenLoadShowsNewSequenceNumbers)
{
    // As long as a text may be, in characters: twice that in bytes.
    std::string hostile = "Quotes ' \" '' % & + = ; ~ <tag>&amp; \xE2\x82\xAC\xC3\xBC\t\xC3\xA9\r\nline 2 ";
    for (qsizetype length = QString::fromStdString(hostile).size(); length < 65536; ++length)
        hostile += "\xC3\xA9";
    EXPECT_EQ(save(formBody(header("1001") + insert("1001", "'First new'", "1", "2", "5", "'Demo Clerk'", "1010")
                            + update("1001", "'Edited'", "2", "3", "4", "0101")
                            + insert("1001", literal(hostile), "2", "4", "1", "'O''Hara'", "0101"))),
              "200 Saved 2 new and 1 changed comment(s).");

    const LoadReply reply = parseLoadReply(load());
    ASSERT_EQ(reply.comments.size(), 6u);
    const Record &first = reply.comments[4];
    EXPECT_EQ((Record{first[0], first[2], first[8], first[9], first[10], first[11], first[13]}),
              (Record{"First new", "5", "Demo Clerk", "1", "0", "1", "0"}));
    const QRegularExpression displayForm(QStringLiteral(R"(^\d{1,2}/\d{1,2}/\d{4} (0[1-9]|1[0-2]):[0-5]\d[AP]M$)"));
    const QRegularExpression monthForm(QStringLiteral(R"(^[A-Z][a-z]{2} \d{2} \d{4} (0[1-9]|1[0-2]):[0-5]\d[AP]M$)"));
    EXPECT_TRUE(displayForm.match(QString::fromStdString(first[7])).hasMatch()) << first[7];
    EXPECT_TRUE(monthForm.match(QString::fromStdString(first[12])).hasMatch()) << first[12];

    const Record &second = reply.comments[5];
    EXPECT_EQ(second[0], hostile); // CR LF included
    EXPECT_EQ((Record{second[2], second[3], second[4], second[8], second[9], second[10], second[11], second[13]}),
              (Record{"6", "4", "Franchise", "O'Hara", "0", "1", "0", "1"}));

    // The change keeps the comment's date and author, and stamps RecordLastUpdated.
    const Record &edited = reply.comments[1];
    EXPECT_EQ((Record{edited[0], edited[2], edited[3], edited[4], edited[5], edited[6], edited[7], edited[8]}),
              (Record{"Edited", "2", "3", "Membership", "4", "Visit", "1/17/2011 09:30AM", "Demo Clerk"}));
    EXPECT_EQ((Record{edited[9], edited[10], edited[11], edited[12], edited[13]}),
              (Record{"0", "1", "0", first[12], "1"}));

    // The next save continues after the highest number.
    EXPECT_EQ(save(formBody(header("1001") + insert("1001", "'Third'", "1"))),
              "200 Saved 1 new and 0 changed comment(s).");
    EXPECT_EQ(parseLoadReply(load()).comments.back()[2], "7");
}

TEST_P(ServerRoutesTest, BatchTheDatabaseCannotTakeChangesNothing)
{
    const std::string before = load();
    const std::string ok = header("1001") + insert("1001", "'would be new'", "1");
    const struct {
        std::string batch;
        const char *reply;
    } rows[] = {
        {ok + "DROP TABLE MemberDiscussionComment;", "statement 3 is not a comment INSERT or UPDATE"},
        {ok + update("1001", "'missing'", "99"), "comment 99 of member 1001 does not exist, so it cannot be changed."},
        {ok + insert("1001", "'bad group'", "2", "77"), "there is no comment group 77."},
        {ok + update("1001", "'bad type'", "1", "3", "66"), "there is no comment type 66."},
        {header("4242") + insert("4242", "'nobody'", "1"), "there is no member 4242."},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(save(formBody(row.batch)).rfind(std::string("422 Nothing was saved: ") + row.reply, 0), 0u)
            << row.reply;
        EXPECT_EQ(load(), before) << row.reply;
    }
}

TEST_P(ServerRoutesTest, LargeBatchesAreRead)
{
    // Megabytes of form body: far beyond the 8 KiB the HTTP library takes for forms on its own.
    std::string batch = header("1001");
    for (int i = 1; i <= 3000; ++i)
        batch += insert("1001", "'Bulk comment number " + std::to_string(i) + " & more'", std::to_string(i));
    const std::string body = formBody(batch);
    ASSERT_GT(body.size(), 1000000u);
    EXPECT_EQ(save(body), "200 Saved 3000 new and 0 changed comment(s).");
    const LoadReply reply = parseLoadReply(load());
    ASSERT_EQ(reply.comments.size(), 3004u);
    EXPECT_EQ(reply.comments.back()[0], "Bulk comment number 3000 & more");
    EXPECT_EQ(reply.comments.back()[2], "3004");
}

TEST_P(ServerRoutesTest, TextsArriveInTheServersCodePage)
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
        {"UTF-8", "\xEF\xBF\xBE", 422},
        {"UTF-8", "\xED\xA0\x80", 400}, // a lone surrogate is no text of the code page at all
        {"UTF-16LE", "\xE2\x82\xAC \xF0\x9F\x98\x80", 200},
        {"UTF-16LE", "\x01", 422},
        {"CP936", "\xE4\xB8\xAD\xE6\x96\x87", 200}, // as the control writes it, in four-digit escapes
    };
    for (const auto &row : rows) {
        start(row.codePage);
        const LoadReply before = parseLoadReply(load());
        const std::string batch = header("1001") + insert("1001", "'a" + row.text + "b'", "1");
        const bool wide = std::string(row.codePage) == "UTF-16LE";
        const std::string body = std::string(row.codePage) == "CP936"
            ? formBody(batch, 936)
            : escaped(wide ? utf16("SQL") : "SQL") + "=" + escaped(wide ? utf16(batch) : batch);
        const std::string reply = save(body);
        EXPECT_EQ(reply.substr(0, 3), std::to_string(row.status)) << row.codePage << " " << row.text << ": " << reply;
        if (row.status == 422)
            EXPECT_NE(reply.find("XML cannot carry"), std::string::npos) << reply;
        const LoadReply after = parseLoadReply(load());
        ASSERT_EQ(after.comments.size(), before.comments.size() + (row.status == 200)) << row.codePage;
        if (row.status == 200)
            EXPECT_EQ(after.comments.back()[0], "a" + row.text + "b") << row.codePage;
    }
    EXPECT_THROW(Server(ServerOptions{"", false, "NO-SUCH-CODE-PAGE"}), std::runtime_error);
}
