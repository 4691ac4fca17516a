#include "batchparser.h"

#include <gtest/gtest.h>

using namespace MemberCommentServer;

namespace {

const std::string kExample1 =
    "Declare @MaxID  int select @MaxId = (Select Max(CommentSequence) From MemberDiscussionComment where MemberID "
    "=1234)  Set @MaxId = ISNull(@MaxID,0) INSERT INTO MemberDiscussionComment (MemberID,CommentDescription "
    ",CommentSequence,CommentGroup , CommentType, CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, "
    "FocusBeta,RecordLastUpdated, FocusFranchiseRelations) VALUES (1234 ,'Don''t call "
    "back',@MAXID+1,2,5,GETDATE(),'clerk1',1,0,0,GETDATE(),1);";
const std::string kExample2 =
    "UPDATE MemberDiscussionComment  SET CommentDescription = 'Paid in full', CommentGroup = 3, CommentType = 4, "
    "Focuscenter = 0, FocusMembership = 1, FocusBeta = 0, FocusFranchiseRelations = 0, RecordLastUpdated = "
    "GETDATE() WHERE MemberID = 1234 AND CommentSequence = 7;";

std::string header(const std::string &member)
{
    return "Declare @MaxID  int select @MaxId = (Select Max(CommentSequence) From MemberDiscussionComment where "
           "MemberID ="
        + member + ")  Set @MaxId = ISNull(@MaxID,0) ";
}

// An INSERT as the control writes it; text and by are already literals with their quotes.
std::string insert(const std::string &member, const std::string &text, const std::string &offset,
                   const std::string &group = "2", const std::string &by = "'clerk1'", const std::string &flag = "1")
{
    return "INSERT INTO MemberDiscussionComment (MemberID,CommentDescription ,CommentSequence,CommentGroup , "
           "CommentType, CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta,RecordLastUpdated, "
           "FocusFranchiseRelations) VALUES ("
        + member + " ," + text + ",@MAXID+" + offset + "," + group + ",5,GETDATE()," + by + "," + flag
        + ",0,0,GETDATE(),1);";
}

std::string update(const std::string &member, const std::string &text, const std::string &sequence)
{
    return "UPDATE MemberDiscussionComment  SET CommentDescription = " + text
        + ", CommentGroup = 3, CommentType = 4, Focuscenter = 0, FocusMembership = 1, FocusBeta = 0, "
          "FocusFranchiseRelations = 0, RecordLastUpdated = GETDATE() WHERE MemberID = "
        + member + " AND CommentSequence = " + sequence + ";";
}

} // namespace

TEST(BatchParserTest, WorkedExamplesAreAccepted)
{
    {
        const BatchParse parse = parseBatch(kExample1);
        ASSERT_EQ(parse.error, "");
        EXPECT_EQ(parse.batch.memberId, 1234);
        ASSERT_EQ(parse.batch.statements.size(), 1u);
        const auto &c = std::get<NewComment>(parse.batch.statements[0]);
        EXPECT_EQ(c.description, "Don't call back");
        EXPECT_EQ(c.offset, 1);
        EXPECT_EQ(c.group, 2);
        EXPECT_EQ(c.type, 5);
        EXPECT_EQ(c.enteredBy, "clerk1");
        EXPECT_EQ(c.focus, (FocusFlags{true, false, false, true}));
    }
    {
        const BatchParse parse = parseBatch(kExample2);
        ASSERT_EQ(parse.error, "");
        EXPECT_EQ(parse.batch.memberId, 1234);
        ASSERT_EQ(parse.batch.statements.size(), 1u);
        const auto &c = std::get<ChangedComment>(parse.batch.statements[0]);
        EXPECT_EQ(c.description, "Paid in full");
        EXPECT_EQ(c.sequence, 7);
        EXPECT_EQ(c.group, 3);
        EXPECT_EQ(c.type, 4);
        EXPECT_EQ(c.focus, (FocusFlags{false, true, false, false}));
    }
    {
        // Both rows: header, INSERT, UPDATE with nothing between.
        const BatchParse parse = parseBatch(kExample1 + kExample2);
        ASSERT_EQ(parse.error, "");
        ASSERT_EQ(parse.batch.statements.size(), 2u);
        EXPECT_TRUE(std::holds_alternative<NewComment>(parse.batch.statements[0]));
        EXPECT_TRUE(std::holds_alternative<ChangedComment>(parse.batch.statements[1]));
    }
}

TEST(BatchParserTest, LiteralsAndOrderAreKept)
{
    const std::string sql = header("-5") + insert("-5", "'It''s'", "1") + update("-5", "''''", "12")
        + insert("-5", "'a;DROP TABLE x;'' UPDATE'", "2", "-3", "'O''Hara'", "0")
        + insert("-5", "'line1\r\nline2 \xC3\xA9 50% &amp;'", "3");
    const BatchParse parse = parseBatch(sql);
    ASSERT_EQ(parse.error, "");
    EXPECT_EQ(parse.batch.memberId, -5);
    ASSERT_EQ(parse.batch.statements.size(), 4u);
    EXPECT_EQ(std::get<NewComment>(parse.batch.statements[0]).description, "It's");
    EXPECT_EQ(std::get<ChangedComment>(parse.batch.statements[1]).description, "'");
    EXPECT_EQ(std::get<ChangedComment>(parse.batch.statements[1]).sequence, 12);
    const auto &third = std::get<NewComment>(parse.batch.statements[2]);
    EXPECT_EQ(third.description, "a;DROP TABLE x;' UPDATE");
    EXPECT_EQ(third.offset, 2);
    EXPECT_EQ(third.group, -3);
    EXPECT_EQ(third.enteredBy, "O'Hara");
    EXPECT_FALSE(third.focus[0]);
    EXPECT_EQ(std::get<NewComment>(parse.batch.statements[3]).description, "line1\r\nline2 \xC3\xA9 50% &amp;");
    EXPECT_EQ(std::get<NewComment>(parse.batch.statements[3]).offset, 3);

    // Changed rows only: no header needed.
    EXPECT_EQ(parseBatch(update("9", "'a'", "1") + update("9", "'b'", "2")).error, "");
}

TEST(BatchParserTest, AnythingElseIsRefusedWithItsReason)
{
    const std::string h = header("1234");
    const struct {
        std::string sql;
        const char *reason; // a piece of the refusal text
    } rows[] = {
        // extra or unknown statements
        {kExample1 + "DROP TABLE MemberDiscussionComment;",
         "statement 3 is not a comment INSERT or UPDATE: \"DROP TABLE"},
        {"DROP TABLE MemberDiscussionComment;", "statement 1 is not a comment INSERT or UPDATE"},
        {kExample2 + " ", "statement 2 is not a comment INSERT or UPDATE"},
        {"update MemberDiscussionComment  SET CommentDescription = 'a'", "not a comment INSERT or UPDATE"},
        {kExample1.substr(0, kExample1.size() - 1), "statement 2 (an INSERT) is malformed: expected \");\""},
        {"", "the batch is empty"},
        {h, "no INSERT or UPDATE"},
        {h + h + insert("1234", "'a'", "1"), "statement 2 (the header) repeats the header"},
        {insert("1234", "'a'", "1"), "an INSERT without the header"},
        {kExample2 + h, "repeats the header"},
        // malformed literals and values
        {h + insert("1234", "'Don't'", "1"), "(an INSERT) is malformed: expected \",@MAXID+\" at \"t'"},
        {update("1234", "'unterminated", "7"), "expected a text in single quotes at \"'unterminated, CommentGroup"},
        {h + insert("1234", "Paid", "1"), "expected a text in single quotes"},
        {h + insert("1234", "'a'", "1", "abc"), "expected a whole number in range at \"abc"},
        {h + insert("1234", "'a'", "1", ""), "expected a whole number in range"},
        {h + insert("1234", "'a'", "1", "2147483648"), "expected a whole number in range"},
        {h + insert("1234", "'a'", "1", "2", "'clerk1'", "2"), "expected 0 or 1"},
        {h + insert("1234", "'a'", "1", "2", "clerk1"), "expected a text in single quotes"},
        {update("1234", "'a'", "7U"), "expected \";\""},
        {update("1234", "'a'", ""), "expected a whole number in range"},
        {header("99999999999"), "expected a whole number in range"},
        {h + insert("1234", "'a'", "2"), "numbers its new comment @MAXID+2 where @MAXID+1 belongs"},
        {h + insert("1234", "'a'", "1") + insert("1234", "'b'", "1"), "@MAXID+1 where @MAXID+2 belongs"},
        // texts that could not be loaded again
        {h + insert("1234", "''", "1"), "statement 2 (an INSERT) has no comment text"},
        {update("1234", "' \r\n\t'", "7"), "statement 1 (an UPDATE) has no comment text"},
        {h + insert("1234", "'a'", "1", "2", "'  '"), "names no one in Comment Entered By"},
        {h + insert("1234", "'a\x01'", "1"), "holds a character that XML cannot carry"},
        // one member throughout
        {h + insert("1235", "'a'", "1"), "statement 2 (an INSERT) names member 1235, but the batch is for member 1234"},
        {kExample2 + update("99", "'a'", "1"),
         "statement 2 (an UPDATE) names member 99, but the batch is for member 1234"},
        {header("MEMBER_ID_REQUIRED") + insert("MEMBER_ID_REQUIRED", "'a'", "1"), "no member was chosen"},
        {update("MEMBER_ID_REQUIRED", "'a'", "7"), "MEMBER_ID_REQUIRED in place of a member id"},
    };
    for (const auto &row : rows) {
        const BatchParse parse = parseBatch(row.sql);
        EXPECT_NE(parse.error.find(row.reason), std::string::npos) << row.sql << "\n  gave: " << parse.error;
        EXPECT_TRUE(parse.batch.statements.empty()) << row.sql;
    }
}

TEST(BatchParserTest, RefusalExcerptIsShortAndPrintable)
{
    const std::string sql =
        kExample2 + "DELETE FROM MemberDiscussionComment\r\nWHERE 1 = 1 -- and a lot more text here";
    const std::string error = parseBatch(sql).error;
    EXPECT_EQ(error, "statement 2 is not a comment INSERT or UPDATE: \"DELETE FROM MemberDiscussionComment  WHE...\".");
}
