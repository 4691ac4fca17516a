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
#include <thread>
#include <vector>

using namespace MemberCommentServer;
using namespace WireForms;

namespace {

const std::string kLoadPath = "/MemberComment.asp?Type=1&PersonID=7&MemberID=1001";

// A record of the load reply as its field texts.
using Record = std::vector<std::string>;

// The records of the load reply's section at `index` (0 the user, 1 groups, 2 types, 3 comments),
// read by position as the control reads them.
std::vector<Record> records(const std::string &xml, int index = 3)
{
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(xml.c_str())) << xml;
    std::vector<Record> out;
    for (const pugi::xpath_node &record : doc.select_nodes(("/*/*[" + std::to_string(index + 1) + "]/*").c_str())) {
        out.emplace_back();
        for (const pugi::xml_node &field : record.node().children())
            out.back().push_back(field.first_child().value());
    }
    return out;
}

class ServerRoutesTest : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.ready());
        server = std::make_unique<Server>(ServerOptions{db.address(), true});
        server->start();
    }

    std::string load(const std::string &path = kLoadPath)
    {
        const auto res = clientFor(server->port())->Get(path);
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
        const auto res =
            clientFor(server->port())->Post("/MemberComment.asp", body, "application/x-www-form-urlencoded");
        EXPECT_TRUE(!res || res->status != 200 || res->get_header_value("Content-Type") == "text/plain; charset=utf-8");
        return res ? std::to_string(res->status) + " " + res->body : std::string("no reply");
    }

    TestDatabase db{GetParam()};
    std::unique_ptr<Server> server;
};

INSTANTIATE_TEST_SUITE_P(Backends, ServerRoutesTest, kBackends, backendName);

} // namespace

TEST_P(ServerRoutesTest, LoadReplyHasFourSectionsInColumnOrderAndOnlyTextXmlCarries)
{
    // No whitespace between elements: a reader that kept it would count it as nodes.
    const std::string xml = load("/any/where/MemberComment.asp?Type=-1&PersonID=8&MemberID=1001");
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?><MemberComment><User>Pat O&apos;Hara</User><Groups>"
                        "<Group><ID>1</ID><Description>General</Description></Group><Group><ID>2</ID>",
                        0),
              0u);
    EXPECT_EQ(records(xml, 1).size(), 4u);
    EXPECT_EQ(records(xml, 2).back(), (Record{"5", "Note"}));
    const std::vector<Record> comments = records(xml);
    ASSERT_EQ(comments.size(), 4u);
    EXPECT_EQ(comments[0],
              (Record{"Welcome call: member asked about the renewal date.", "1001", "1", "3", "Membership", "1",
                      "Phone call", "8/5/2010 03:04PM", "Demo Clerk", "0", "1", "0", "Aug 05 2010 03:04PM", "0"}));
    // noon is PM, midnight 12 AM
    EXPECT_EQ(comments[1],
              (Record{"Invoice 4711 & late fee <waived> once.", "1001", "2", "2", "Billing", "2", "E-mail",
                      "1/17/2011 09:30AM", "Demo Clerk", "1", "0", "0", "Feb 01 2011 12:30PM", "0"}));
    EXPECT_EQ(comments[2],
              (Record{"Visited the store; franchise agreement \"draft 2\" handed over.", "1001", "3", "4", "Franchise",
                      "4", "Visit", "11/30/2012 12:15AM", "Pat O'Hara", "1", "0", "1", "Dec 03 2012 10:00AM", "1"}));

    // A person the database does not know still gets a name; a member without comments none.
    const std::string other = load("/MemberComment.asp?Type=0&PersonID=0&MemberID=0");
    EXPECT_NE(other.find("<User>Person 0</User>"), std::string::npos);
    EXPECT_TRUE(records(other).empty());

    // Texts XML cannot carry, written by hand or by an older server: each such character arrives
    // as U+FFFD. (PostgreSQL holds no malformed UTF-8.)
    const bool sqlite = GetParam() == Backend::SQLite;
    const std::string chr = sqlite ? "char" : "chr";
    db.execute("UPDATE MemberDiscussionComment SET CommentDescription = 'a' || " + chr + "(65534) || " + chr + "(1) || "
               + (sqlite ? "CAST(x'FF' AS TEXT) || " : "") + chr
               + "(12354) || 'b' WHERE MemberID = 1001 AND CommentSequence = 1");
    EXPECT_EQ(records(load()).at(0).at(0), sqlite ? "a\uFFFD\uFFFD\uFFFD\u3042b" : "a\uFFFD\uFFFD\u3042b");
}

TEST_P(ServerRoutesTest, SaveStoresWholeBatchesOrNothingAndNumbersNewComments)
{
    // A batch the database cannot take changes nothing.
    const std::string before = load();
    const std::string ok = header("1001") + insert("1001", "'would be new'", "1");
    for (const auto &[batch, reply] : std::vector<std::pair<std::string, std::string>>{
             {ok + update("1001", "'missing'", "99"),
              "comment 99 of member 1001 does not exist, so it cannot be changed."},
             {ok + insert("1001", "'bad group'", "2", "77"), "there is no comment group 77."},
             {ok + update("1001", "'bad type'", "1", "3", "66"), "there is no comment type 66."},
             {header("4242") + insert("4242", "'nobody'", "1"), "there is no member 4242."}}) {
        EXPECT_EQ(save(formBody(batch)).rfind("422 Nothing was saved: " + reply, 0), 0u) << reply;
        EXPECT_EQ(load(), before) << reply;
    }

    // As long as a text may be, in characters: twice that in bytes.
    std::string hostile = "Quotes ' \" '' % & + = ; ~ <tag>&amp; \xE2\x82\xAC\xC3\xBC\t\xC3\xA9\r\nline 2 ";
    for (qsizetype length = QString::fromStdString(hostile).size(); length < 65536; ++length)
        hostile += "\xC3\xA9";
    EXPECT_EQ(save(formBody(header("1001") + insert("1001", "'First new'", "1", "2", "5", "'Demo Clerk'", "1010")
                            + update("1001", "'Edited'", "2", "3", "4", "0101")
                            + insert("1001", literal(hostile), "2", "4", "1", "'O''Hara'", "0101"))),
              "200 Saved 2 new and 1 changed comment(s).");

    const std::vector<Record> comments = records(load());
    ASSERT_EQ(comments.size(), 6u);
    const Record &first = comments[4];
    ASSERT_EQ(first.size(), 14u);
    const QRegularExpression displayForm(QStringLiteral(R"(^\d{1,2}/\d{1,2}/\d{4} (0[1-9]|1[0-2]):[0-5]\d[AP]M$)"));
    const QRegularExpression monthForm(QStringLiteral(R"(^[A-Z][a-z]{2} \d{2} \d{4} (0[1-9]|1[0-2]):[0-5]\d[AP]M$)"));
    EXPECT_TRUE(displayForm.match(QString::fromStdString(first[7])).hasMatch()) << first[7];
    EXPECT_TRUE(monthForm.match(QString::fromStdString(first[12])).hasMatch()) << first[12];
    const std::string &date = first[7], &now = first[12];
    EXPECT_EQ(
        first,
        (Record{"First new", "1001", "5", "2", "Billing", "5", "Note", date, "Demo Clerk", "1", "0", "1", now, "0"}));
    EXPECT_EQ(
        comments[5],
        (Record{hostile, "1001", "6", "4", "Franchise", "1", "Phone call", date, "O'Hara", "0", "1", "0", now, "1"}));
    // The change keeps the comment's date and author, and stamps RecordLastUpdated.
    EXPECT_EQ(comments[1],
              (Record{"Edited", "1001", "2", "3", "Membership", "4", "Visit", "1/17/2011 09:30AM", "Demo Clerk", "0",
                      "1", "0", now, "1"}));
}

TEST_P(ServerRoutesTest, LargeBatchesAtOnceAreAllRead)
{
    // Megabytes of form body each, far beyond the 8 KiB the HTTP library takes for forms on its own,
    // and more of them at once than the server holds: the others wait their turn.
    std::vector<std::string> replies(6);
    std::vector<std::thread> clients;
    for (size_t i = 0; i < replies.size(); ++i) {
        clients.emplace_back([&, i] {
            std::string batch = header("1001");
            for (int n = 1; n <= 500; ++n)
                batch += insert("1001", "'Bulk " + std::to_string(i) + " & " + std::string(2000, 'x') + "'",
                                std::to_string(n));
            replies[i] = save(formBody(batch));
        });
    }
    for (std::thread &t : clients) // each request is bounded by the client's timeouts
        t.join();
    for (const std::string &reply : replies)
        EXPECT_EQ(reply, "200 Saved 500 new and 0 changed comment(s).");
    const std::vector<Record> comments = records(load());
    ASSERT_EQ(comments.size(), 3004u);
    EXPECT_EQ(comments.back()[2], "3004");
}
