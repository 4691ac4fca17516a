// How the control reads its cells: truth values, row markers and sequence numbers, and the prefix
// of a long text the list shows.
#include "rows/numbers.h"
#include "rows/rowmarker.h"
#include "rows/shownprefix.h"
#include "rows/truthvalue.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace VynMemberComment;

namespace {

std::string show(const char16_t *text)
{
    return QString::fromUtf16(text).toStdString();
}

} // namespace

TEST(CellRulesTest, TruthValues)
{
    // the words in any letter case, blanks and tabs around allowed; numbers, true unless 0
    // clang-format off
    const std::pair<std::optional<bool>, std::vector<const char16_t *>> groups[] = {
        {true, {u"True", u"true", u"TRUE", u"tRuE", u" True ", u"\tTrue\t", u"1", u"-1", u"2", u"+7", u"0.5", u"-.5",
                u"99999999999999999999999", u" 1 ", u"10"}},
        {false, {u"False", u"false", u"FALSE", u"\tfalse", u"fALSE  ", u"0", u"-0", u"0.0", u"000", u"0.", u" 0",
                 u"\t0"}},
        {std::nullopt, {u"", u" ", u"yes", u"T", u"Truee", u"Fals", u"True False", u"1 0", u"-", u"+", u".", u"1.2.3",
                        u"1e3", u"&H1", u"--1", u"1-", u"\u0661", u"\n1", u"1\u00a0"}}};
    // clang-format on
    for (const auto &[expected, texts] : groups)
        for (const char16_t *text : texts)
            EXPECT_EQ(readTruthValue(text), expected) << show(text);
}

TEST(CellRulesTest, RowMarkersAreCaseSensitiveLastCharacters)
{
    // {marker, exactly "N"}: the cells
    const std::tuple<RowMarker, bool, std::vector<const char16_t *>> groups[] = {
        {RowMarker::New, true, {u"N"}},
        {RowMarker::New, false, {u"7N", u" N", u"NN"}},
        {RowMarker::Changed, false, {u"7U", u"12U", u"U"}},
        {RowMarker::Unchanged, false, {u"7", u"", u"n", u"7u", u"N ", u"N1", u"7U "}}};
    for (const auto &[expected, isNew, cells] : groups)
        for (const char16_t *cell : cells)
            EXPECT_TRUE(rowMarker(cell) == expected && isNewRow(cell) == isNew) << show(cell);
}

TEST(CellRulesTest, SequenceNumberLeadsTheCell)
{
    // clang-format off
    const std::pair<qint32, std::vector<const char16_t *>> numbers[] = {
        {7, {u"7U", u"007", u"+7U", u"7 U", u"7N", u"\t 7"}}, {12, {u" 12U", u"12"}}, {3, {u"3 4"}},
        {0, {u"0U", u"-0"}}, {-7, {u"-7U", u"\t-7"}}, {2147483647, {u"2147483647U"}},
        {-2147483647 - 1, {u"-2147483648U"}}};
    // clang-format on
    for (const auto &[value, cells] : numbers)
        for (const char16_t *cell : cells)
            EXPECT_EQ(leadingNumber(cell), value) << show(cell);
    for (const char16_t *cell : {u"N", u"", u"U", u" ", u"-", u"- 7", u"--7", u"x7", u"\n7", u"2147483648U",
                                 u"-2147483649", u"99999999999999999999"})
        EXPECT_EQ(leadingNumber(cell), std::nullopt) << show(cell);
}

TEST(CellRulesTest, MarkedChangedKeepsNewRowsAndIsStable)
{
    // {cell, after a saved edit, addressable}; without a number no save can name the row: it is
    // never opened, and never marked
    const std::tuple<const char16_t *, const char16_t *, bool> cases[] = {
        {u"N", u"N", true},      {u"7", u"7U", true},    {u"7U", u"7U", true},  {u"12", u"12U", true},
        {u" 12", u"12U", true},  {u"012", u"12U", true}, {u"-7", u"-7U", true}, {u"9N", u"9U", true},
        {u"", u"", false},       {u"n", u"n", false},    {u" N", u" N", false}, {u"U", u"U", false},
        {u"abc", u"abc", false}, {u" ", u" ", false}};
    for (const auto &[cell, expected, addressable] : cases) {
        const QString once = markedChanged(cell);
        EXPECT_EQ(once, QString::fromUtf16(expected)) << show(cell);
        EXPECT_EQ(markedChanged(once), once);
        EXPECT_EQ(isAddressable(cell), addressable) << show(cell);
    }
}

TEST(CellRulesTest, LongTextsAreCutWhereTheyReadWell)
{
    // Pairs of a text and what ten characters on three lines (or on one, further on) show of it.
    const char16_t *const pairs[] = {
        u"", u"", u"0123456789", u"0123456789", u"a\r\nb\r\nc", u"a\r\nb\r\nc", u"0123456789a", u"0123456789\u2026",
        // past the limit: cut before a line break in the second half (a run of them, a whole CR LF
        // pair, a line or paragraph separator), else at the limit, never inside a surrogate pair
        u"0123\n56789abc", u"0123\n56789\u2026", u"012345\n789abc", u"012345\u2026", u"01234\n6789abc",
        u"01234\n6789\u2026", u"01234567\r\n9abc", u"01234567\u2026", u"0123456789\nabc", u"0123456789\u2026",
        u"012\n\n\n\n\n\n\n\nabc", u"012\u2026", u"0123456\u2029abcd", u"0123456\u2026", u"012345678\U0001F600x",
        u"012345678\u2026", u"01234567\U0001F600x", u"01234567\U0001F600\u2026", u"0123456\u2028\U0001F600x",
        u"0123456\u2026",
        // more lines than fit: cut before the first one too many
        u"a\r\nb\nc\rd", u"a\r\nb\nc\u2026", u"a\n\nb\nc", u"a\n\nb\u2026",
        // on one line
        u"ab\ncd", u"ab\u2026", u"ab\r\n", u"ab\u2026", u"\nab", u"\u2026", u"0123456789a\nb", u"0123456789\u2026"};
    for (std::size_t p = 0; p < std::size(pairs); p += 2) {
        const char16_t *text = pairs[p];
        const ShownSize size{10, p < std::size(pairs) - 8 ? 3 : 1};
        const QString shown = QString::fromUtf16(pairs[p + 1]);
        EXPECT_EQ(shownPrefix(text, size), shown) << show(text);
        EXPECT_EQ(shownLength(text, size), shown.endsWith(u'\u2026') ? shown.size() - 1 : shown.size()) << show(text);
    }
    EXPECT_EQ(shownPrefix(u"a\rb", {10, 2}), QStringLiteral("a\rb"));
}
