// The load reply: its fetch, and its readers of comment rows, the user's name and the choice
// entries, with what each keeps when a record fails, and the id conversion.
#include "exchange/loadreply.h"
#include "platform/http.h"
#include "rows/numbers.h"
#include "support/loopbackserver.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <set>
#include <thread>

using namespace VynMemberComment;
using VynMemberComment::Platform::XmlDocument;

namespace {

// A field per text; "-" stands for an empty field element (no child node).
QByteArray record(const QStringList &fields)
{
    QByteArray xml = "<rec>";
    for (const QString &f : fields)
        xml += f == QLatin1String("-") ? QByteArray("<f/>") : "<f>" + f.toUtf8() + "</f>";
    return xml + "</rec>";
}

QStringList fullFields(const QString &tag, int count = Column::Count)
{
    QStringList fields;
    for (int k = 0; k < count; ++k)
        fields << QStringLiteral("%1.%2").arg(tag).arg(k);
    return fields;
}

QByteArray reply(const QByteArray &comments, const QByteArray &groups = "", const QByteArray &types = "",
                 const QByteArray &user = "<user>Ann Lee</user>")
{
    return "<reply>\n " + user + "\n <groups>" + groups + "</groups>\n <types>" + types + "</types>\n <comments>\n"
        + comments + "\n </comments>\n</reply>";
}

std::unique_ptr<XmlDocument> parse(const QByteArray &bytes)
{
    auto doc = std::make_unique<XmlDocument>();
    EXPECT_TRUE(doc->loadBytes(bytes)) << doc->errorText().toStdString();
    return doc;
}

QStringList cells(const CommentRow &row)
{
    QStringList texts;
    for (int k = 0; k < Column::Count; ++k)
        texts << row.cell(k).toString();
    return texts;
}

// The cells a row shows when the fields from `count` on were never written.
QStringList partial(const QString &tag, int count)
{
    QStringList texts = fullFields(tag, count);
    while (texts.size() < Column::Count)
        texts << QString();
    return texts;
}

} // namespace

TEST(LoadReplyTest, CommentRecordsBecomeRowsInOrder)
{
    QStringList withExtra = fullFields(QStringLiteral("b"), Column::Count + 2);
    withExtra[0] = QStringLiteral("  untrimmed & <kept>  ").toHtmlEscaped();
    const auto doc = parse(reply(record(fullFields(QStringLiteral("a"))) + "\n  " + record(withExtra)));
    const CommentReadResult result = readComments(*doc, Column::Count);
    EXPECT_FALSE(result.error);
    ASSERT_EQ(result.rows.size(), 2u);
    EXPECT_EQ(cells(result.rows[0]), fullFields(QStringLiteral("a")));
    QStringList expected = fullFields(QStringLiteral("b"));
    expected[0] = QStringLiteral("  untrimmed & <kept>  ");
    EXPECT_EQ(cells(result.rows[1]), expected);

    // the list's column count decides how many fields are read
    const CommentReadResult narrow = readComments(*doc, 3);
    ASSERT_EQ(narrow.rows.size(), 2u);
    EXPECT_EQ(narrow.rows[0].cellCount(), 3);

    // a field's text is its first child's: nested markup, not the whole field
    const auto nested = parse(reply("<rec><f><b>bold</b> tail</f><f>x<i>y</i></f></rec>"));
    const CommentReadResult n = readComments(*nested, 2);
    ASSERT_EQ(n.rows.size(), 1u);
    EXPECT_EQ(n.rows[0].cell(0), QStringLiteral("bold"));
    EXPECT_EQ(n.rows[0].cell(1), QStringLiteral("x"));

    const CommentReadResult none = readComments(*parse(reply("")), Column::Count);
    EXPECT_FALSE(none.error);
    EXPECT_TRUE(none.rows.empty());
}

TEST(LoadReplyTest, FailingRecordKeepsWhatWasRead)
{
    const QByteArray good = record(fullFields(QStringLiteral("a")));
    const QByteArray later = record(fullFields(QStringLiteral("z")));
    QStringList shortFields = fullFields(QStringLiteral("b"), Column::Count - 1);
    QStringList emptyFifth = fullFields(QStringLiteral("b"));
    emptyFifth[5] = QStringLiteral("-");
    QStringList emptyFirst = fullFields(QStringLiteral("b"));
    emptyFirst[0] = QStringLiteral("-");

    struct Case {
        const char *name;
        QByteArray comments;
        int number;
        std::vector<QStringList> rows;
        const char *where;
    } cases[] = {
        {"13 fields",
         good + record(shortFields) + later,
         ReplyErrorNumber::MissingField,
         {fullFields(QStringLiteral("a")), partial(QStringLiteral("b"), 13)},
         "position 1 has 13 fields; the list has 14"},
        {"empty field 5",
         good + record(emptyFifth) + later,
         ReplyErrorNumber::EmptyField,
         {fullFields(QStringLiteral("a")), partial(QStringLiteral("b"), 5)},
         "position 1: field at position 5"},
        {"empty description",
         good + record(emptyFirst) + later,
         ReplyErrorNumber::EmptyField,
         {fullFields(QStringLiteral("a"))},
         "position 1: field at position 0"},
        {"record without fields",
         good + "<rec/>" + later,
         ReplyErrorNumber::EmptyRecord,
         {fullFields(QStringLiteral("a"))},
         "position 1 has no fields"},
        {"text between records",
         good + "stray" + later,
         ReplyErrorNumber::EmptyRecord,
         {fullFields(QStringLiteral("a"))},
         "position 1"},
        {"comment between records",
         good + "<!-- note -->" + later,
         ReplyErrorNumber::EmptyRecord,
         {fullFields(QStringLiteral("a"))},
         "position 1"},
        {"first record short",
         record(QStringList{QStringLiteral("only")}) + good,
         ReplyErrorNumber::MissingField,
         {QStringList{"only", "", "", "", "", "", "", "", "", "", "", "", "", ""}},
         "position 0 has 1 fields"},
    };
    for (const Case &c : cases) {
        const CommentReadResult result = readComments(*parse(reply(c.comments)), Column::Count);
        ASSERT_TRUE(result.error) << c.name;
        EXPECT_EQ(result.error->number, c.number) << c.name;
        EXPECT_TRUE(result.error->description.contains(QLatin1String(c.where)))
            << c.name << ": " << result.error->description.toStdString();
        ASSERT_EQ(result.rows.size(), c.rows.size()) << c.name;
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(cells(result.rows[i]), c.rows[i]) << c.name << " row " << i;
    }
}

TEST(LoadReplyTest, MissingDocumentOrSectionIsAnError)
{
    XmlDocument unparsable;
    unparsable.loadBytes("<reply><user>");
    const CommentReadResult bad = readComments(unparsable, Column::Count);
    ASSERT_TRUE(bad.error);
    EXPECT_EQ(bad.error->number, ReplyErrorNumber::NoDocumentElement);
    EXPECT_TRUE(bad.error->description.contains(unparsable.errorText()));

    const CommentReadResult fresh = readComments(XmlDocument(), Column::Count);
    ASSERT_TRUE(fresh.error);
    EXPECT_EQ(fresh.error->number, ReplyErrorNumber::NoDocumentElement);

    const CommentReadResult three = readComments(*parse("<reply><u>a</u><g/><t/></reply>"), Column::Count);
    ASSERT_TRUE(three.error);
    EXPECT_EQ(three.error->number, ReplyErrorNumber::MissingSection);
    EXPECT_TRUE(three.error->description.contains(QLatin1String("has 3 sections")));
    EXPECT_TRUE(three.rows.empty());

    // numbers tell the causes apart
    const std::set<int> numbers{ReplyErrorNumber::NoDocumentElement, ReplyErrorNumber::MissingSection,
                                ReplyErrorNumber::MissingField, ReplyErrorNumber::EmptyField,
                                ReplyErrorNumber::EmptyRecord};
    EXPECT_EQ(numbers.size(), 5u);
}

TEST(LoadReplyTest, UserNameIsTheFirstChildOfTheUserSection)
{
    EXPECT_EQ(readUserName(*parse(reply(""))), QStringLiteral("Ann Lee"));
    EXPECT_EQ(readUserName(*parse(reply("", "", "", "<user> padded </user>"))), QStringLiteral(" padded "));
    EXPECT_EQ(readUserName(*parse(reply("", "", "", "<user><n>Bo</n><n>Cy</n></user>"))), QStringLiteral("Bo"));
    EXPECT_EQ(readUserName(*parse(reply("", "", "", "<user/>"))), std::nullopt);
    EXPECT_EQ(readUserName(*parse("<reply/>")), std::nullopt);
    EXPECT_EQ(readUserName(XmlDocument()), std::nullopt);
}

TEST(LoadReplyTest, ChoicesStopAtTheFirstBadRecord)
{
    auto entries = [](const QByteArray &groups) { return readChoices(*parse(reply("", groups)), Section::Groups); };
    using Entries = std::vector<std::pair<QString, qint32>>;
    auto flat = [](const std::optional<std::vector<ChoiceEntry>> &list) {
        Entries out;
        for (const ChoiceEntry &e : list.value())
            out.emplace_back(e.text, e.id);
        return out;
    };
    const QByteArray a = "<g><id>7</id><d>General</d><extra>x</extra></g>";
    const QByteArray b = "<g><id> -3 </id><d> Billing </d></g>";
    const QByteArray z = "<g><id>9</id><d>Later</d></g>";

    EXPECT_EQ(flat(entries(a + b)), (Entries{{"General", 7}, {" Billing ", -3}}));
    EXPECT_EQ(flat(entries(a + a)), (Entries{{"General", 7}, {"General", 7}}));
    EXPECT_EQ(flat(entries("")), Entries{});
    // a bad id keeps its entry with 0 and ends the list
    EXPECT_EQ(flat(entries(a + "<g><id>x</id><d>Bad</d></g>" + z)), (Entries{{"General", 7}, {"Bad", 0}}));
    EXPECT_EQ(flat(entries(a + "<g><id/><d>NoId</d></g>" + z)), (Entries{{"General", 7}, {"NoId", 0}}));
    EXPECT_EQ(flat(entries(a + "<g><id>99999999999</id><d>Big</d></g>" + z)), (Entries{{"General", 7}, {"Big", 0}}));
    // no description: no entry, and the list ends
    EXPECT_EQ(flat(entries(a + "<g><id>8</id></g>" + z)), (Entries{{"General", 7}}));
    EXPECT_EQ(flat(entries(a + "<g><id>8</id><d/></g>" + z)), (Entries{{"General", 7}}));
    EXPECT_EQ(flat(entries(a + "<g/>" + z)), (Entries{{"General", 7}}));
    EXPECT_EQ(flat(entries(a + "<!--x-->" + z)), (Entries{{"General", 7}}));

    // the types section is read the same way
    EXPECT_EQ(flat(readChoices(*parse(reply("", a, b)), Section::Types)), (Entries{{" Billing ", -3}}));
    // a missing section gives an empty list, a missing document none
    EXPECT_EQ(flat(readChoices(*parse("<reply><user>u</user></reply>"), Section::Groups)), Entries{});
    EXPECT_EQ(readChoices(XmlDocument(), Section::Groups), std::nullopt);
}

TEST(LoadReplyTest, IdsConvertAs32BitIntegers)
{
    struct Case {
        const char *text;
        std::optional<qint32> value;
    } cases[] = {
        // plain, signed, padded
        {"7", 7},
        {"0", 0},
        {"007", 7},
        {"+12", 12},
        {"-12", -12},
        {"  42  ", 42},
        {"\t5\n", 5},
        {"2147483647", 2147483647},
        {"-2147483648", qint32(-2147483647 - 1)},
        // not integers or out of range
        {"", std::nullopt},
        {" ", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"1 2", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {"0x10", std::nullopt},
        {"abc", std::nullopt},
        {"--1", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(toInt32(QString::fromLatin1(c.text)), c.value) << '"' << c.text << '"';
    // digits of other scripts are no integer text
    EXPECT_EQ(toInt32(QStringLiteral("\u0661")), std::nullopt);
}

// The load's fetch against a loopback server, including every way it can fail.

TEST(LoadReplyTest, FetchedOverHttp)
{
    LoopbackServer server;
    // the declaration wins over the header's charset
    server.setHandler([](const httplib::Request &req, httplib::Response &res) {
        if (req.path == "/moved") {
            res.set_redirect("/reply.xml");
            return;
        }
        res.set_content("<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\x80</r>", "text/xml; charset=utf-8");
    });
    for (const char *path : {"/reply.xml", "/moved"}) {
        const auto doc = fetchLoadReply(server.baseUrl() + QLatin1String(path));
        ASSERT_FALSE(doc->documentElement().isNull()) << doc->errorText().toStdString();
        EXPECT_EQ(doc->documentElement().text(), QStringLiteral("\u20ac")) << path;
        EXPECT_TRUE(doc->errorText().isEmpty());
    }
    // Qt may ask for a redirecting page twice on one connection; only plain GETs go out
    const auto requests = server.requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests.back().target, "/reply.xml");
    for (const auto &r : requests) {
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.body, "");
    }
}

TEST(LoadReplyTest, FailedFetchLeavesNoDocumentElement)
{
    LoopbackServer server;
    server.reply(200, "<r/>", "text/xml");
    ASSERT_FALSE(fetchLoadReply(server.baseUrl() + QLatin1String("/ok"))->documentElement().isNull());

    // a non-2xx status fails even with an XML body
    std::unique_ptr<XmlDocument> doc;
    for (int status : {404, 500, 302, 204}) {
        server.reply(status, "<r>body</r>", "text/xml");
        doc = fetchLoadReply(server.baseUrl() + QLatin1String("/x"));
        EXPECT_TRUE(doc->documentElement().isNull()) << status;
        if (status != 204)
            EXPECT_TRUE(doc->errorText().contains(QString::number(status))) << doc->errorText().toStdString();
    }
    // 204 has no body to parse
    EXPECT_FALSE(doc->errorText().isEmpty());

    doc = fetchLoadReply(LoopbackServer::closedBaseUrl() + QLatin1String("/x"));
    EXPECT_TRUE(doc->documentElement().isNull());
    EXPECT_TRUE(doc->errorText().contains(QStringLiteral("network error"))) << doc->errorText().toStdString();

    server.reply(200, "<r><unclosed></r>", "text/xml");
    doc = fetchLoadReply(server.baseUrl() + QLatin1String("/bad"));
    EXPECT_TRUE(doc->documentElement().isNull());
    EXPECT_TRUE(doc->errorText().contains(QStringLiteral("offset"))) << doc->errorText().toStdString();
}

TEST(LoadReplyTest, FetchGivesUpWithoutProgress)
{
    LoopbackServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        res.set_content("<r/>", "text/xml");
    });
    Platform::HttpTransfer::setTimeoutMilliseconds(200);
    const auto doc = fetchLoadReply(server.baseUrl() + QLatin1String("/slow"));
    Platform::HttpTransfer::setTimeoutMilliseconds(60 * 1000);
    EXPECT_TRUE(doc->documentElement().isNull());
    EXPECT_TRUE(doc->errorText().contains(QStringLiteral("no progress"))) << doc->errorText().toStdString();
}
