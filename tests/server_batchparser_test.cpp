// The save batch's parser: the control's statements are read exactly, in order; anything else is
// refused with its reason, and nothing of it is kept.
#include "batchparser.h"
#include "support/wireforms.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace MemberCommentServer;
using namespace WireForms;

namespace {

const std::string h = header("1234");

// A batch of one new comment with this text, as its bytes between the quotes.
std::string withText(const std::string &text)
{
    return h + insert("1234", "'" + text + "'", "1");
}

} // namespace

TEST(BatchParserTest, StatementsAreReadExactlyAndInOrder)
{
    const BatchParse parse = parseBatch(kBothComments);
    ASSERT_EQ(parse.batch.statements.size(), 2u) << parse.error;
    EXPECT_EQ(parse.batch.memberId, 1234);
    const auto &added = std::get<NewComment>(parse.batch.statements[0]);
    EXPECT_EQ(std::tie(added.description, added.offset, added.group, added.type, added.enteredBy, added.focus),
              std::make_tuple("Don't call back", 1, 2, 5, "clerk1", FocusFlags{true, false, false, true}));
    const auto &changed = std::get<ChangedComment>(parse.batch.statements[1]);
    EXPECT_EQ(std::tie(changed.description, changed.sequence, changed.group, changed.type, changed.focus),
              std::make_tuple("Paid in full", 7, 3, 4, FocusFlags{false, true, false, false}));

    // Every character XML carries, of every UTF-8 length, as long as a text may be (in characters).
    const std::string carried = "\t\r\n \x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBD"
                                "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF 50% &amp;";
    std::string longest;
    while (longest.size() < 2 * 65536)
        longest += "\xC3\xA9";
    const BatchParse more =
        parseBatch(header("-5") + insert("-5", "'It''s'", "1", "-3", "7", "'O''Hara'", "0110")
                   + update("-5", "''''", "12", "3", "-4", "1011") + insert("-5", "'a;DROP TABLE x;'' UPDATE'", "2")
                   + insert("-5", literal(carried), "3") + insert("-5", literal(longest), "4"));
    ASSERT_EQ(more.batch.statements.size(), 5u) << more.error;
    EXPECT_EQ(more.batch.memberId, -5);
    const auto &first = std::get<NewComment>(more.batch.statements[0]);
    EXPECT_EQ(std::tie(first.description, first.group, first.type, first.enteredBy, first.focus),
              std::make_tuple("It's", -3, 7, "O'Hara", FocusFlags{false, true, true, false}));
    const auto &second = std::get<ChangedComment>(more.batch.statements[1]);
    EXPECT_EQ(std::tie(second.description, second.sequence, second.type, second.focus),
              std::make_tuple("'", 12, -4, FocusFlags{true, false, true, true}));
    EXPECT_EQ(std::get<NewComment>(more.batch.statements[2]).description, "a;DROP TABLE x;' UPDATE");
    EXPECT_EQ(std::get<NewComment>(more.batch.statements[3]).description, carried);
    EXPECT_EQ(std::get<NewComment>(more.batch.statements[4]).offset, 4);

    // Changed rows only: no header needed.
    EXPECT_EQ(parseBatch(update("9", "'a'", "1") + update("9", "'b'", "2")).error, "");
}

TEST(BatchParserTest, AnythingElseIsRefusedWithItsReason)
{
    const struct {
        std::string sql;
        std::string reason; // a piece of the refusal text
    } rows[] = {
        // extra or unknown statements
        {kBothComments + "DROP TABLE MemberDiscussionComment;",
         "statement 4 is not a comment INSERT or UPDATE: \"DROP"},
        {kChangedComment + " ", "statement 2 is not a comment INSERT or UPDATE"},
        {"update MemberDiscussionComment  SET CommentDescription = 'a'", "not a comment INSERT or UPDATE"},
        {h + kNewComment.substr(0, kNewComment.size() - 1), "statement 2 (an INSERT) is malformed: expected \");\""},
        {"", "the batch is empty"},
        {h, "no INSERT or UPDATE"},
        {h + h + kNewComment, "statement 2 (the header) repeats the header"},
        {kNewComment, "an INSERT without the header"},
        {kChangedComment + h, "repeats the header"},
        // the excerpt: short, printable, cut between characters
        {kChangedComment + "DELETE FROM MemberDiscussionComment\r\nWHERE 1 = 1 -- and a lot more",
         "statement 2 is not a comment INSERT or UPDATE: \"DELETE FROM MemberDiscussionComment  WHE...\"."},
        {kChangedComment + std::string(39, 'X') + "\xC3\xA9 more", ": \"" + std::string(39, 'X') + "...\"."},
        // malformed literals and values
        {withText("Don't"), "(an INSERT) is malformed: expected \",@MAXID+\" at \"t'"},
        {update("1234", "'unterminated", "7"), "expected a text in single quotes at \"'unterminated, CommentGroup"},
        {h + insert("1234", "'x''", "1"), "statement 2 (an INSERT) is malformed"},
        {h + insert("1234", "'a'", "1", "abc"), "expected a whole number in range at \"abc"},
        {h + insert("1234", "'a'", "1", "2147483648"), "expected a whole number in range"},
        {h + insert("1234", "'a'", "1", "2", "-2147483649"), "expected a whole number in range"},
        {h + insert("1234", "'a'", "0"), "expected a whole number in range"},
        {h + insert("1234", "'a'", "1", "2", "5", "'clerk1'", "1201"), "expected 0 or 1"},
        {h + insert("1234", "'a'", "1", "2", "5", "clerk1"), "expected a text in single quotes"},
        {update("1234", "'a'", "7U"), "expected \";\""},
        {update("1234", "'a'", "99999999999999999999"), "expected a whole number in range"},
        {update("1234", "'a'", "7", "3", "4", "0102"), "expected 0 or 1"},
        {h + insert("1234", "'a'", "2"), "numbers its new comment @MAXID+2 where @MAXID+1 belongs"},
        {h + kNewComment + kNewComment, "@MAXID+1 where @MAXID+2 belongs"},
        // texts that could not be loaded again
        {withText(""), "statement 2 (an INSERT) has no comment text"},
        {update("1234", "' \r\n\t'", "7"), "statement 1 (an UPDATE) has no comment text"},
        {h + insert("1234", "'a'", "1", "2", "5", "'  '"), "names no one in Comment Entered By"},
        {withText(std::string(65537, 'x')), "has a comment text of 65537 characters; at most 65536"},
        {h + insert("1234", "'a'", "1", "2", "5", literal(std::string(65537, 'y'))),
         "has a Comment Entered By of 65537 characters"},
        // characters XML cannot carry: controls, non-characters, and anything that is not UTF-8
        {withText("a\x01"), "holds a character that XML cannot carry"},
        {withText("\x1B[2J"), "XML cannot carry"},
        {withText(std::string(1, '\0')), "XML cannot carry"},
        {withText("\x1F"), "XML cannot carry"},
        {withText("\xEF\xBF\xBE"), "XML cannot carry"},     // U+FFFE
        {withText("\xEF\xBF\xBF"), "XML cannot carry"},     // U+FFFF
        {withText("\xF4\x90\x80\x80"), "XML cannot carry"}, // beyond U+10FFFF
        {withText("\xF8\x88\x80\x80\x80"), "XML cannot carry"},
        {withText("\xED\xA0\x80"), "XML cannot carry"}, // a surrogate
        {withText("\xE0\x9F\xBF"), "XML cannot carry"}, // overlong
        {withText("\xC1\xBF"), "XML cannot carry"},
        {withText("\xC3("), "XML cannot carry"},
        {withText("a\xC3"), "XML cannot carry"},
        // one member throughout
        {h + insert("1235", "'a'", "1"), "statement 2 (an INSERT) names member 1235, but the batch is for member 1234"},
        {kChangedComment + update("99", "'a'", "1"),
         "statement 2 (an UPDATE) names member 99, but the batch is for member 1234"},
        {header("MEMBER_ID_REQUIRED") + insert("MEMBER_ID_REQUIRED", "'a'", "1"), "no member was chosen"},
        {update("MEMBER_ID_REQUIRED", "'a'", "7"), "MEMBER_ID_REQUIRED in place of a member id"},
    };
    for (const auto &row : rows) {
        const BatchParse parse = parseBatch(row.sql);
        EXPECT_NE(parse.error.find(row.reason), std::string::npos)
            << row.sql.substr(0, 300) << "\n  gave: " << parse.error;
        EXPECT_TRUE(parse.batch.statements.empty()) << row.sql.substr(0, 300);
    }
}
