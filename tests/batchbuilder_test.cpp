// The save's batch of statements, as text and as the form that is posted.
#include "exchange/savebatch.h"
#include "support/wireforms.h"

#include <gtest/gtest.h>

using namespace VynMemberComment;
using namespace WireForms;

namespace {

// The cells a test cares about; the others hold what a loaded row would.
struct RowSpec {
    QString text, sequence, group = "2", type = "5", enteredBy = "clerk1";
    QString focus[4] = {"1", "0", "0", "1"};
};

CommentRow makeRow(const RowSpec &s)
{
    CommentRow row;
    for (const QString &cell : {s.text, QString("999"), s.sequence, s.group, QString("Group"), s.type, QString("Type"),
                                QString("8/5/2010 03:04PM"), s.enteredBy, s.focus[0], s.focus[1], s.focus[2],
                                QString("Aug 05 2010 03:04PM"), s.focus[3]})
        row.appendCell(cell);
    return row;
}

const CommentRow kNew = makeRow({"Don't call back", "N"});
const CommentRow kChanged = makeRow({"Paid in full", "7U", "3", "4", "clerk1", {"0", "1", "0", "0"}});

std::string text(const std::vector<CommentRow> &rows, qint32 member = 1234)
{
    const StatementBatch batch = buildStatementBatch(rows, member);
    EXPECT_FALSE(batch.error) << batch.error->toStdString();
    return batch.text.toStdString();
}

// The form for the rows, which must be the batch's text encoded.
std::string form(const std::vector<CommentRow> &rows, Platform::CodePage codePage = 1252, qint32 member = 1234)
{
    std::string form = buildEncodedBatch(rows, member, codePage).form.toStdString();
    EXPECT_EQ(form, formBody(text(rows, member), codePage));
    return form;
}

} // namespace

TEST(BatchBuilderTest, WorkedExamplesByteForByte)
{
    EXPECT_EQ(text({kNew}), header("1234") + kNewComment);
    EXPECT_EQ(text({kChanged}), kChangedComment);
    EXPECT_EQ(form({kNew, kChanged}), formBody(kBothComments));
    EXPECT_EQ(form({kNew, kChanged}, 936), formBody(kBothComments, 936));
    // nothing marked: nothing to send
    for (const char *unmarked : {"7", "n", "7u", "", "N ", "7U "}) {
        const CommentRow row = makeRow({"a", unmarked});
        EXPECT_EQ(buildStatementBatch({row}, 1234).text, QString()) << unmarked;
        EXPECT_EQ(buildEncodedBatch({row}, 1234, 1252).form, QByteArray()) << unmarked;
    }
}

TEST(BatchBuilderTest, OneHeaderFirstAndNewRowsCountedInListOrder)
{
    // unmarked rows are not read: cells no statement could hold do not block the user's changes
    RowSpec broken{"loaded", "8", "1; DELETE FROM MemberDiscussionComment", "x"};
    broken.focus[2] = "maybe";
    const CommentRow loaded = makeRow(broken), server = makeRow({"Don't call back", "9N"});
    EXPECT_EQ(form({kChanged, kNew, loaded, kChanged, makeRow({}), server, kNew}),
              formBody(header("1234") + kChangedComment + kNewComment + kChangedComment
                       + insert("1234", "'Don''t call back'", "2") + insert("1234", "'Don''t call back'", "3")));
    // a negative member passes as it stands (member 0 is ReadData's table)
    EXPECT_EQ(text({kChanged}, -5), update("-5", "'Paid in full'", "7"));
}

TEST(BatchBuilderTest, CellsAsTheStatementsWriteThem)
{
    // Texts and names are literals, each quote doubled, blanks kept; group and type pass as they
    // stand, the sequence number as read; focus cells are truth values, written as digits.
    // clang-format off
    const std::pair<RowSpec, std::string> cases[] = {
        {{"'It's' ''", "N", "2", "5", "O'Hara"},
         header("1") + insert("1", "'''It''s'' '''''", "1", "2", "5", "'O''Hara'")},
        {{"", "N", "2", "5", ""}, header("1") + insert("1", "''", "1", "2", "5", "''")},
        {{"x'); DROP TABLE MemberDiscussionComment; --", "3U"},
         update("1", "'x''); DROP TABLE MemberDiscussionComment; --'", "3", "2", "5", "1001")},
        {{"  padded ", "3U"}, update("1", "'  padded '", "3", "2", "5", "1001")},
        {{"t", " 0012U", "007", "2147483647"}, update("1", "'t'", "12", "007", "2147483647", "1001")},
        {{"t", "-3U", "-2147483648", "0"}, update("1", "'t'", "-3", "-2147483648", "0", "1001")},
        {{"t", "2147483647U"}, update("1", "'t'", "2147483647", "2", "5", "1001")},
        {{"t", "4U", "2", "5", "", {"True", "true", "2", "-1"}}, update("1", "'t'", "4", "2", "5", "1111")},
        {{"t", "4U", "2", "5", "", {"False", "0", " 0.0 ", "FALSE"}}, update("1", "'t'", "4", "2", "5", "0000")},
        {{"t", "N", "2", "5", "c", {"0", "1", "false", "1"}},
         header("1") + insert("1", "'t'", "1", "2", "5", "'c'", "0101")}};
    // clang-format on
    for (const auto &[row, statement] : cases)
        EXPECT_EQ(form({makeRow(row)}, 1252, 1), formBody(statement)) << statement;
}

TEST(BatchBuilderTest, UnsendableMarkedRowsStopTheBatch)
{
    std::vector<RowSpec> cases;
    // group and type go in unquoted: integer text within 32 bits only
    for (const char *bad : {"", "2; DROP TABLE MemberDiscussionComment", "2 ", " 2", "+2", "-", "2.0", "0x10",
                            "2147483648", "-2147483649", "1,2", "2--", "NULL"}) {
        cases.push_back({"t", "N", bad});
        cases.push_back({"t", "5U", "2", bad});
    }
    // focus cells must be truth values
    for (const char *bad : {"", "yes", " ", "1;", "T"})
        for (int f = 0; f < 4; ++f) {
            cases.push_back({"t", "N"});
            cases.back().focus[f] = bad;
        }
    // a changed row must name its sequence number
    for (const char *bad : {"U", "xU", "- 3U", "--3U", "99999999999U", "2147483648U"})
        cases.push_back({"t", bad});
    for (const RowSpec &spec : cases) {
        const std::vector<CommentRow> rows{kNew, makeRow(spec), kChanged};
        const StatementBatch batch = buildStatementBatch(rows, 1);
        const EncodedBatch encoded = buildEncodedBatch(rows, 1, 1252);
        ASSERT_TRUE(batch.error && encoded.error && batch.text.isEmpty() && encoded.form.isEmpty())
            << spec.group.toStdString() << "|" << spec.type.toStdString() << "|" << spec.sequence.toStdString();
        EXPECT_EQ(*encoded.error, *batch.error);
        EXPECT_TRUE(batch.error->startsWith("Row 2: the ")) << batch.error->toStdString();
    }
}

TEST(BatchBuilderTest, LargeBatchAndQuotesBeyondTheReservedRoom)
{
    std::vector<CommentRow> rows;
    std::string expected = header("1234");
    for (int i = 0; i < 4000; ++i) {
        const std::string comment = "Comment number " + std::to_string(i) + " isn't short";
        rows.push_back(makeRow({QString::fromStdString(comment), i % 2 ? "N" : QString::number(i) + "U"}));
        expected += i % 2 ? insert("1234", literal(comment), std::to_string(i / 2 + 1))
                          : update("1234", literal(comment), std::to_string(i), "2", "5", "1001");
    }
    EXPECT_EQ(form(rows), formBody(expected));
    // doubled quotes outgrow the room the form writer reserves, in either page
    const std::string quotes(20000, '\'');
    const CommentRow many = makeRow({QString::fromStdString(quotes), "N", "2", "5", "O''"});
    for (const int codePage : {1252, 936})
        EXPECT_EQ(form({many, kChanged}, codePage),
                  formBody(header("1234") + insert("1234", literal(quotes), "1", "2", "5", "'O'''''") + kChangedComment,
                           codePage));
}
