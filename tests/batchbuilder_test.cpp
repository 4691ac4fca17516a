#include "exchange/savebatch.h"

#include <gtest/gtest.h>

using namespace VynMemberComment;

namespace {

// The cells a test cares about; the others hold what a loaded row would.
struct RowSpec {
    QString text;
    QString sequence;
    QString group = QStringLiteral("2");
    QString type = QStringLiteral("5");
    QString enteredBy = QStringLiteral("clerk1");
    QString focus[4] = {QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1")};
};

CommentRow makeRow(const RowSpec &spec)
{
    CommentRow row;
    const QString cells[Column::Count] = {spec.text,
                                          QStringLiteral("999"),
                                          spec.sequence,
                                          spec.group,
                                          QStringLiteral("Group"),
                                          spec.type,
                                          QStringLiteral("Type"),
                                          QStringLiteral("8/5/2010 03:04PM"),
                                          spec.enteredBy,
                                          spec.focus[0],
                                          spec.focus[1],
                                          spec.focus[2],
                                          QStringLiteral("Aug 05 2010 03:04PM"),
                                          spec.focus[3]};
    for (const QString &cell : cells)
        row.appendCell(cell);
    return row;
}

const QString kHeader = QStringLiteral(
    "Declare @MaxID  int select @MaxId = (Select Max(CommentSequence) From MemberDiscussionComment where "
    "MemberID =1234)  Set @MaxId = ISNull(@MaxID,0) ");
const QString kInsert = QStringLiteral(
    "INSERT INTO MemberDiscussionComment (MemberID,CommentDescription ,CommentSequence,CommentGroup , "
    "CommentType, CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta,RecordLastUpdated, "
    "FocusFranchiseRelations) VALUES (1234 ,'Don''t call back',@MAXID+1,2,5,GETDATE(),'clerk1',1,0,0,GETDATE(),1);");
const QString kUpdate = QStringLiteral(
    "UPDATE MemberDiscussionComment  SET CommentDescription = 'Paid in full', CommentGroup = 3, CommentType = 4, "
    "Focuscenter = 0, FocusMembership = 1, FocusBeta = 0, FocusFranchiseRelations = 0, RecordLastUpdated = "
    "GETDATE() WHERE MemberID = 1234 AND CommentSequence = 7;");

CommentRow newExampleRow()
{
    return makeRow({QStringLiteral("Don't call back"), QStringLiteral("N")});
}

CommentRow changedExampleRow()
{
    RowSpec spec{QStringLiteral("Paid in full"), QStringLiteral("7U"), QStringLiteral("3"), QStringLiteral("4")};
    spec.focus[0] = QStringLiteral("0");
    spec.focus[1] = QStringLiteral("1");
    spec.focus[2] = QStringLiteral("0");
    spec.focus[3] = QStringLiteral("0");
    return makeRow(spec);
}

qsizetype count(const QString &text, QStringView piece)
{
    return text.count(piece);
}

} // namespace

TEST(BatchBuilderTest, WorkedExamples)
{
    EXPECT_EQ(buildStatementBatch({newExampleRow()}, 1234).text, kHeader + kInsert);
    EXPECT_EQ(buildStatementBatch({changedExampleRow()}, 1234).text, kUpdate);
    const StatementBatch both = buildStatementBatch({newExampleRow(), changedExampleRow()}, 1234);
    EXPECT_EQ(both.text, kHeader + kInsert + kUpdate);
    EXPECT_FALSE(both.error);
}

TEST(BatchBuilderTest, HeaderOnceFirstAndCounterInListOrder)
{
    const std::vector<CommentRow> rows{
        changedExampleRow(), newExampleRow(), makeRow({QStringLiteral("loaded"), QStringLiteral("9")}),
        changedExampleRow(), newExampleRow(), changedExampleRow(),
        newExampleRow()};
    const QString text = buildStatementBatch(rows, 1234).text;
    EXPECT_TRUE(text.startsWith(kHeader));
    EXPECT_EQ(count(text, u"Declare"), 1);
    EXPECT_EQ(count(text, u"INSERT"), 3);
    EXPECT_EQ(count(text, u"UPDATE"), 3);
    const qsizetype first = text.indexOf(u"@MAXID+1,");
    const qsizetype second = text.indexOf(u"@MAXID+2,");
    const qsizetype third = text.indexOf(u"@MAXID+3,");
    EXPECT_TRUE(first > 0 && first < second && second < third);
    EXPECT_EQ(text.indexOf(u"@MAXID+4"), -1);
    EXPECT_FALSE(text.contains(u"loaded"));
    // statements follow each other with nothing between
    EXPECT_TRUE(text.contains(QStringLiteral(");UPDATE")));
    EXPECT_TRUE(text.contains(QStringLiteral("= 7;INSERT")));
}

TEST(BatchBuilderTest, NothingMarkedGivesEmptyBatch)
{
    EXPECT_EQ(buildStatementBatch({}, 1234).text, QString());
    const StatementBatch batch = buildStatementBatch(
        {makeRow({QStringLiteral("a"), QStringLiteral("7")}), makeRow({QStringLiteral("b"), QStringLiteral("n")}),
         makeRow({QStringLiteral("c"), QStringLiteral("7u")}), makeRow({QStringLiteral("d"), QString()})},
        1234);
    EXPECT_TRUE(batch.text.isEmpty());
    EXPECT_FALSE(batch.error);
}

TEST(BatchBuilderTest, MemberIdText)
{
    const QString zero = buildStatementBatch({newExampleRow(), changedExampleRow()}, 0).text;
    EXPECT_TRUE(zero.contains(QStringLiteral("where MemberID =MEMBER_ID_REQUIRED)  Set")));
    EXPECT_TRUE(zero.contains(QStringLiteral("VALUES (MEMBER_ID_REQUIRED ,'")));
    EXPECT_TRUE(zero.contains(QStringLiteral("WHERE MemberID = MEMBER_ID_REQUIRED AND")));
    EXPECT_EQ(count(zero, u"MEMBER_ID_REQUIRED"), 3);
    const QString negative = buildStatementBatch({changedExampleRow()}, -5).text;
    EXPECT_TRUE(negative.contains(QStringLiteral("WHERE MemberID = -5 AND")));
}

TEST(BatchBuilderTest, QuotesAreDoubledInLiterals)
{
    RowSpec spec{QStringLiteral("'It's' ''"), QStringLiteral("N")};
    spec.enteredBy = QStringLiteral("O'Hara");
    const QString text = buildStatementBatch({makeRow(spec)}, 1).text;
    EXPECT_TRUE(text.contains(QStringLiteral(",'''It''s'' ''''',@MAXID+1,"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(",GETDATE(),'O''Hara',")));
    // a quote that tries to end the literal stays inside it
    spec.text = QStringLiteral("x'); DROP TABLE MemberDiscussionComment; --");
    spec.sequence = QStringLiteral("3U");
    EXPECT_TRUE(buildStatementBatch({makeRow(spec)}, 1)
                    .text.contains(QStringLiteral("= 'x''); DROP TABLE MemberDiscussionComment; --', CommentGroup")));
    // leading and trailing blanks are kept; an empty text is the empty literal
    spec.text = QStringLiteral("  padded ");
    EXPECT_TRUE(buildStatementBatch({makeRow(spec)}, 1).text.contains(QStringLiteral("= '  padded ', ")));
    spec.text = QString();
    EXPECT_TRUE(buildStatementBatch({makeRow(spec)}, 1).text.contains(QStringLiteral("Description = '', ")));
}

TEST(BatchBuilderTest, FocusCellsAsTruthValues)
{
    const std::pair<const char *, char> cases[] = {{"True", '1'}, {"true", '1'},  {"1", '1'}, {"2", '1'},
                                                   {"-1", '1'},   {"False", '0'}, {"0", '0'}};
    for (const auto &[cell, expected] : cases) {
        RowSpec spec{QStringLiteral("t"), QStringLiteral("4U")};
        for (QString &focus : spec.focus)
            focus = QLatin1StringView(cell);
        const QString text = buildStatementBatch({makeRow(spec)}, 1).text;
        const QString e(QLatin1Char{expected});
        EXPECT_TRUE(text.contains(QStringLiteral("Focuscenter = %1, FocusMembership = %1, FocusBeta = %1, "
                                                 "FocusFranchiseRelations = %1,")
                                      .arg(e)))
            << cell;
    }
}

TEST(BatchBuilderTest, UnmarkedRowsAreNotRead)
{
    // unreadable cells in loaded rows do not block the user's own changes
    RowSpec broken{QStringLiteral("loaded"), QStringLiteral("8")};
    broken.group = QStringLiteral("1; DELETE FROM MemberDiscussionComment");
    broken.focus[2] = QString();
    RowSpec emptySequence{QString(), QString()};
    emptySequence.focus[0] = QStringLiteral("maybe");
    const StatementBatch batch =
        buildStatementBatch({makeRow(broken), makeRow(emptySequence), changedExampleRow()}, 1234);
    EXPECT_FALSE(batch.error);
    EXPECT_EQ(batch.text, kUpdate);
}

TEST(BatchBuilderTest, UnsendableMarkedRowsStopTheBatch)
{
    auto withGroup = [](const char *group) {
        RowSpec s{QStringLiteral("t"), QStringLiteral("N")};
        s.group = QLatin1StringView(group);
        return s;
    };
    auto withType = [](const char *type) {
        RowSpec s{QStringLiteral("t"), QStringLiteral("5U")};
        s.type = QLatin1StringView(type);
        return s;
    };
    auto withFocus = [](int f, const char *value) {
        RowSpec s{QStringLiteral("t"), QStringLiteral("N")};
        s.focus[f] = QLatin1StringView(value);
        return s;
    };
    auto withSequence = [](const char *sequence) { return RowSpec{QStringLiteral("t"), QLatin1StringView(sequence)}; };
    const RowSpec cases[] = {
        // group and type cells go in unquoted: integer text within 32 bits only
        withGroup(""),
        withGroup("2; DROP TABLE MemberDiscussionComment"),
        withGroup("2 "),
        withGroup(" 2"),
        withGroup("+2"),
        withGroup("-"),
        withGroup("2.0"),
        withGroup("0x10"),
        withGroup("2147483648"),
        withGroup("-2147483649"),
        withGroup("1,2"),
        withGroup("2--"),
        withType(""),
        withType("4) OR (1=1"),
        withType("NULL"),
        withType("99999999999"),
        // focus cells must be truth values
        withFocus(0, ""),
        withFocus(1, "yes"),
        withFocus(2, " "),
        withFocus(3, "1;"),
        // a changed row must name its sequence number
        withSequence("U"),
        withSequence("xU"),
        withSequence("- 3U"),
        withSequence("99999999999U"),
    };
    for (const RowSpec &spec : cases) {
        const StatementBatch batch = buildStatementBatch({newExampleRow(), makeRow(spec), changedExampleRow()}, 1);
        EXPECT_TRUE(batch.text.isEmpty()) << batch.text.toStdString();
        ASSERT_TRUE(batch.error) << spec.group.toStdString() << " " << spec.type.toStdString();
        EXPECT_TRUE(batch.error->startsWith(QStringLiteral("Row 2: "))) << batch.error->toStdString();
    }
}

TEST(BatchBuilderTest, GroupAndTypeIntegersPassAsTheyStand)
{
    RowSpec spec{QStringLiteral("t"), QStringLiteral("1U"), QStringLiteral("-2147483648"),
                 QStringLiteral("2147483647")};
    EXPECT_TRUE(buildStatementBatch({makeRow(spec)}, 1)
                    .text.contains(QStringLiteral("CommentGroup = -2147483648, CommentType = 2147483647,")));
    spec.group = QStringLiteral("007");
    spec.sequence = QStringLiteral(" 0012U");
    const QString text = buildStatementBatch({makeRow(spec)}, 1).text;
    EXPECT_TRUE(text.contains(QStringLiteral("CommentGroup = 007,")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("AND CommentSequence = 12;")));
}

TEST(BatchBuilderTest, LargeBatch)
{
    std::vector<CommentRow> rows;
    for (int i = 0; i < 10000; ++i)
        rows.push_back(makeRow({QStringLiteral("Comment number %1 isn't short").arg(i),
                                i % 2 ? QStringLiteral("N") : QStringLiteral("%1U").arg(i)}));
    const QString text = buildStatementBatch(rows, 1234).text;
    EXPECT_EQ(count(text, u"INSERT INTO"), 5000);
    EXPECT_EQ(count(text, u"UPDATE "), 5000);
    EXPECT_TRUE(text.contains(QStringLiteral("@MAXID+5000,")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("'Comment number 9999 isn''t short',@MAXID+5000,2,5,GETDATE(),"
                                             "'clerk1',1,0,0,GETDATE(),1);")));
}
