// The load reply: its fetch, and its readers of comment rows, the user's name and the choice
// entries, with what each keeps when a record fails, and the id conversion.
#include "exchange/loadreply.h"
#include "rows/numbers.h"
#include "support/loopbackserver.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace VynMemberComment;
using VynMemberComment::Platform::XmlDocument;

namespace {

// A field per text; "-" stands for an empty field element (no child node).
QByteArray record(const QStringList &fields)
{
    QByteArray xml = "<rec>";
    for (const QString &f : fields)
        xml += f == "-" ? QByteArray("<f/>") : "<f>" + f.toUtf8() + "</f>";
    return xml + "</rec>";
}

// The fields "tag.0", "tag.1", ...
QStringList fields(const QString &tag, int count = Column::Count)
{
    QStringList texts;
    for (int k = 0; k < count; ++k)
        texts << QStringLiteral("%1.%2").arg(tag).arg(k);
    return texts;
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

using Rows = std::vector<QStringList>;

Rows rows(const CommentReadResult &result)
{
    Rows rows;
    for (const CommentRow &row : result.rows) {
        QStringList &cells = rows.emplace_back();
        for (int k = 0; k < row.cellCount(); ++k)
            cells << row.cell(k).toString();
    }
    return rows;
}

} // namespace

TEST(LoadReplyTest, CommentRecordsBecomeRowsInOrder)
{
    QStringList extra = fields("b", Column::Count + 2), kept = fields("b");
    extra[0] = QStringLiteral("  untrimmed & <kept> \u00e9\U0001F600 ").toHtmlEscaped();
    kept[0] = QStringLiteral("  untrimmed & <kept> \u00e9\U0001F600 ");
    const auto doc = parse(reply(record(fields("a")) + "\n  " + record(extra)));
    const CommentReadResult result = readComments(*doc, Column::Count);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(rows(result), (Rows{fields("a"), kept}));
    // the list's column count decides how many fields are read, and field 0 always is
    EXPECT_EQ(rows(readComments(*doc, 3)), (Rows{fields("a", 3), kept.first(3)}));
    EXPECT_EQ(rows(readComments(*doc, 0)), (Rows{fields("a", 1), kept.first(1)}));
    // a field's text is its first child's: nested markup, not the whole field
    const auto nested = parse(reply("<rec><f><b>bold</b> tail</f><f>x<i>y</i></f></rec>"));
    EXPECT_EQ(rows(readComments(*nested, 2)), (Rows{{"bold", "x"}}));
    const CommentReadResult none = readComments(*parse(reply("")), Column::Count);
    EXPECT_TRUE(!none.error && none.rows.empty());
}

TEST(LoadReplyTest, FailingRecordKeepsWhatWasRead)
{
    // {record after a good one, error number, cells of the partial row kept, where the error says}
    QStringList emptyFifth = fields("b"), emptyFirst = fields("b"), none;
    emptyFifth[5] = emptyFirst[0] = "-";
    const std::tuple<QByteArray, int, QStringList, const char *> cases[] = {
        {record(fields("b", 13)), ReplyErrorNumber::MissingField, fields("b", 13), "1 has 13 fields; the list has 14"},
        {record(emptyFifth), ReplyErrorNumber::EmptyField, fields("b", 5), "1: field at position 5 is empty"},
        {record(emptyFirst), ReplyErrorNumber::EmptyField, none, "1: field at position 0 is empty"},
        {"<rec/>", ReplyErrorNumber::EmptyRecord, none, "1 has no fields"},
        {"stray", ReplyErrorNumber::EmptyRecord, none, "1 has no fields"},
        {"<!-- note -->", ReplyErrorNumber::EmptyRecord, none, "1 has no fields"}};
    for (const auto &[bad, number, partial, where] : cases) {
        const CommentReadResult result =
            readComments(*parse(reply(record(fields("a")) + bad + record(fields("z")))), 14);
        ASSERT_TRUE(result.error) << where;
        EXPECT_EQ(result.error->number, number) << where;
        EXPECT_TRUE(result.error->description.contains(QLatin1String("position ") + where))
            << result.error->description.toStdString();
        EXPECT_EQ(rows(result), (partial.isEmpty() ? Rows{fields("a")} : Rows{fields("a"), partial})) << where;
    }
    // a short first record: what it holds
    const CommentReadResult first = readComments(*parse(reply(record({"only"}) + record(fields("a")))), 14);
    ASSERT_TRUE(first.error);
    EXPECT_TRUE(first.error->description.contains("position 0 has 1 fields")) << first.error->description.toStdString();
    EXPECT_EQ(rows(first), Rows{{"only"}});
}

TEST(LoadReplyTest, MissingDocumentSectionOrUser)
{
    // the parser's reason, or none at all; fewer than four sections
    XmlDocument unparsable;
    unparsable.loadBytes("<reply><user>");
    // clang-format off
    const std::tuple<CommentReadResult, int, QString> cases[] = {
        {readComments(unparsable, 14), ReplyErrorNumber::NoDocumentElement, unparsable.errorText()},
        {readComments(XmlDocument(), 14), ReplyErrorNumber::NoDocumentElement, "it has no document element"},
        {readComments(*parse("<r><u>a</u><g/><t/></r>"), 14), ReplyErrorNumber::MissingSection, "has 3 sections"}};
    // clang-format on
    for (const auto &[result, number, why] : cases) {
        ASSERT_TRUE(result.error) << why.toStdString();
        EXPECT_EQ(result.error->number, number);
        EXPECT_TRUE(result.error->description.contains(why)) << result.error->description.toStdString();
        EXPECT_TRUE(result.rows.empty());
    }
    // the user's name is the first child of the user section
    // clang-format off
    const std::pair<QByteArray, std::optional<QString>> users[] = {
        {"<user>Ann Lee</user>", "Ann Lee"}, {"<user> padded </user>", " padded "},
        {"<user><n>Bo</n><n>Cy</n></user>", "Bo"}, {"<user/>", std::nullopt}};
    // clang-format on
    for (const auto &[user, name] : users)
        EXPECT_EQ(readUserName(*parse(reply("", "", "", user))), name) << user.constData();
    EXPECT_EQ(readUserName(XmlDocument()), std::nullopt);
}

TEST(LoadReplyTest, CutReplyReadsAsNoDocument)
{
    const QByteArray whole = reply(record(fields("a")) + record(fields("b")), "<g><id>7</id><d>G</d></g>");
    ASSERT_EQ(readComments(*parse(whole), Column::Count).rows.size(), 2u);
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        XmlDocument doc;
        doc.loadBytes(whole.left(cut));
        const CommentReadResult result = readComments(doc, Column::Count);
        EXPECT_EQ(result.error.value_or(ReplyError{}).number, ReplyErrorNumber::NoDocumentElement) << cut;
        EXPECT_TRUE(result.rows.empty() && !readUserName(doc) && !readChoices(doc, Section::Groups)) << cut;
    }
}

TEST(LoadReplyTest, ChoicesStopAtTheFirstBadRecord)
{
    // A bad id keeps its entry with 0 and ends the list; no description: no entry, and the list ends.
    using Entries = std::vector<std::pair<QString, qint32>>;
    const QByteArray a = "<g><id>7</id><d>General</d><extra>x</extra></g>", z = "<g><id>9</id><d>Later</d></g>";
    // clang-format off
    const std::pair<QByteArray, Entries> cases[] = {
        {a + "<g><id> -3 </id><d> Billing </d></g>", {{"General", 7}, {" Billing ", -3}}},
        {a + a, {{"General", 7}, {"General", 7}}}, {"", {}},
        {a + "<g><id>x</id><d>Bad</d></g>" + z, {{"General", 7}, {"Bad", 0}}},
        {a + "<g><id/><d>NoId</d></g>" + z, {{"General", 7}, {"NoId", 0}}},
        {a + "<g><id>99999999999</id><d>Big</d></g>" + z, {{"General", 7}, {"Big", 0}}},
        {a + "<g><id>8</id></g>" + z, {{"General", 7}}}, {a + "<g><id>8</id><d/></g>" + z, {{"General", 7}}},
        {a + "<g/>" + z, {{"General", 7}}}, {a + "<!--x-->" + z, {{"General", 7}}}};
    // clang-format on
    for (const auto &[groups, expected] : cases) {
        // the types section is read the same way; a missing section gives an empty list
        for (const auto &[section, reply] :
             {std::pair{int(Section::Groups), ::reply("", groups, z)},
              std::pair{int(Section::Types), ::reply("", z, groups)}, std::pair{7, ::reply("", groups, groups)}}) {
            Entries entries;
            const std::optional<std::vector<ChoiceEntry>> read = readChoices(*parse(reply), section);
            for (const ChoiceEntry &e : read.value())
                entries.emplace_back(e.text, e.id);
            EXPECT_EQ(entries, section == 7 ? Entries{} : expected) << groups.constData();
        }
    }
    EXPECT_EQ(readChoices(XmlDocument(), Section::Groups), std::nullopt);
}

TEST(LoadReplyTest, IdsConvertAs32BitIntegers)
{
    // clang-format off
    const std::pair<qint32, std::vector<const char16_t *>> integers[] = {
        {7, {u"7", u"007", u"+7", u"  7  ", u"\t7\n", u"\v\f\r7"}}, {0, {u"0", u"-0", u"+000"}},
        {-12, {u"-12", u" -12"}}, {2147483647, {u"2147483647", u"+02147483647"}}, {-2147483647 - 1, {u"-2147483648"}}};
    // clang-format on
    for (const auto &[value, texts] : integers)
        for (const char16_t *text : texts)
            EXPECT_EQ(toInt32(text), value) << QString::fromUtf16(text).toStdString();
    for (const char16_t *text : {u"", u" ", u"-", u"+", u"1 2", u"1.5", u"1e3", u"0x10", u"abc", u"--1", u"- 1",
                                 u"2147483648", u"-2147483649", u"99999999999999999999", u"\u0661", u"1\u00a0"})
        EXPECT_EQ(toInt32(text), std::nullopt) << QString::fromUtf16(text).toStdString();
}

// The fetch through the control, its redirects, transfer faults and charsets, is tested with the
// control; here the edges of a successful status.
TEST(LoadReplyTest, FetchReadsOnlyASuccessfulStatus)
{
    LoopbackServer server;
    // status 0: no server to answer
    for (const int status : {200, 299, 300, 404, 0}) {
        server.reply(status, "<r>x</r>", "text/xml");
        const auto doc = fetchLoadReply((status ? server.baseUrl() : LoopbackServer::closedBaseUrl()) + "/reply.xml");
        const QString why = status ? QStringLiteral("HTTP status %1").arg(status) : "network error";
        EXPECT_EQ(doc->documentElement().text(), status / 100 == 2 ? "x" : QString()) << status;
        EXPECT_EQ(doc->errorText().contains(why), status / 100 != 2) << doc->errorText().toStdString();
    }
}
