#include "rows/numbers.h"
#include "rows/rowmarker.h"
#include "rows/truthvalue.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

using namespace VynMemberComment;

TEST(TruthValueTest, ReadsWordsAndNumbers)
{
    const std::pair<const char16_t *, std::optional<bool>> cases[] = {
        // the words, in any letter case, blanks around allowed
        {u"True", true}, {u"true", true}, {u"TRUE", true}, {u"tRuE", true}, {u" True ", true},
        {u"False", false}, {u"false", false}, {u"FALSE", false}, {u"\tfalse", false},
        // numbers: true unless 0
        {u"1", true}, {u"-1", true}, {u"2", true}, {u"+7", true}, {u"0.5", true}, {u"-.5", true},
        {u"99999999999999999999999", true}, {u" 1 ", true},
        {u"0", false}, {u"-0", false}, {u"0.0", false}, {u"000", false}, {u"0.", false}, {u" 0", false},
        // anything else is no truth value
        {u"", std::nullopt}, {u" ", std::nullopt}, {u"yes", std::nullopt}, {u"T", std::nullopt},
        {u"Truee", std::nullopt}, {u"True False", std::nullopt}, {u"1 0", std::nullopt}, {u"-", std::nullopt},
        {u".", std::nullopt}, {u"1.2.3", std::nullopt}, {u"1e3", std::nullopt}, {u"&H1", std::nullopt},
        {u"--1", std::nullopt}, {u"1-", std::nullopt}, {u"\u0661", std::nullopt},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(readTruthValue(text), expected) << QString::fromUtf16(text).toStdString();
}

TEST(RowMarkerTest, MarkersAreCaseSensitiveLastCharacters)
{
    const std::tuple<const char16_t *, RowMarker, bool> cases[] = {
        // {cell, marker, exactly "N"}
        {u"N", RowMarker::New, true}, {u"7N", RowMarker::New, false}, {u" N", RowMarker::New, false},
        {u"7U", RowMarker::Changed, false}, {u"12U", RowMarker::Changed, false}, {u"U", RowMarker::Changed, false},
        {u"7", RowMarker::Unchanged, false}, {u"", RowMarker::Unchanged, false}, {u"n", RowMarker::Unchanged, false},
        {u"7u", RowMarker::Unchanged, false}, {u"N ", RowMarker::Unchanged, false},
        {u"N1", RowMarker::Unchanged, false}, {u"7U ", RowMarker::Unchanged, false},
    };
    for (const auto &[cell, expected, isNew] : cases) {
        EXPECT_EQ(rowMarker(cell), expected) << QString::fromUtf16(cell).toStdString();
        EXPECT_EQ(isNewRow(cell), isNew) << QString::fromUtf16(cell).toStdString();
    }
}

TEST(RowMarkerTest, LeadingNumber)
{
    const std::pair<const char16_t *, std::optional<qint32>> cases[] = {
        {u"7U", 7}, {u" 12U", 12}, {u"12", 12}, {u"007", 7}, {u"3 4", 3}, {u"0U", 0},
        {u"2147483647U", 2147483647}, {u"-7U", -7}, {u"+7U", 7}, {u"\t-7", -7},
        {u"-2147483648U", std::numeric_limits<qint32>::min()},
        {u"N", std::nullopt}, {u"", std::nullopt}, {u"U", std::nullopt}, {u" ", std::nullopt},
        {u"-", std::nullopt}, {u"- 7", std::nullopt}, {u"--7", std::nullopt}, {u"x7", std::nullopt},
        {u"2147483648U", std::nullopt}, {u"-2147483649", std::nullopt}, {u"99999999999999999999", std::nullopt},
    };
    for (const auto &[cell, expected] : cases)
        EXPECT_EQ(leadingNumber(cell), expected) << QString::fromUtf16(cell).toStdString();
}

TEST(RowMarkerTest, MarkedChangedKeepsNewRowsAndIsStable)
{
    const std::tuple<const char16_t *, const char16_t *, bool> cases[] = {
        // {cell, after a saved edit, addressable}
        {u"N", u"N", true}, {u"7", u"7U", true}, {u"7U", u"7U", true}, {u"12", u"12U", true},
        {u" 12", u"12U", true}, {u"012", u"12U", true}, {u"-7", u"-7U", true}, {u"9N", u"9U", true},
        // without a number no save can name the row: it is never opened, and never marked
        {u"", u"", false}, {u"n", u"n", false}, {u" N", u" N", false}, {u"U", u"U", false},
        {u"abc", u"abc", false}, {u" ", u" ", false},
    };
    for (const auto &[cell, expected, addressable] : cases) {
        const QString once = markedChanged(cell);
        EXPECT_EQ(once, QString::fromUtf16(expected)) << QString::fromUtf16(cell).toStdString();
        EXPECT_EQ(markedChanged(once), once);
        EXPECT_EQ(isAddressable(cell), addressable) << QString::fromUtf16(cell).toStdString();
    }
}
