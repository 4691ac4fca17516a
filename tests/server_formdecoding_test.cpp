// The save's form body read back into its fields, in the code page the control wrote it in.
#include "formdecoding.h"

#include <gtest/gtest.h>

using namespace MemberCommentServer;

namespace {

const CodePageConverter cp1252 = *CodePageConverter::open("CP1252");
const CodePageConverter cp936 = *CodePageConverter::open("CP936");

} // namespace

TEST(FormDecodingTest, DecodesWhatTheControlWritesAndRefusesBrokenEscapes)
{
    const struct {
        const CodePageConverter &codePage;
        const char *encoded;
        const char *decoded; // UTF-8; none when refused
    } rows[] = {
        // plain text, blanks and escaped ASCII
        {cp1252, "abcXYZ019*-._", "abcXYZ019*-._"},
        {cp1252, "a+b++", "a b  "},
        {cp1252, "Don%27t+call%3A+x%3D1%26y%2B%25", "Don't call: x=1&y+%"},
        {cp1252, "%09%0D%0A%7E%3Ctag%3E", "\t\r\n~<tag>"},
        // bytes of the code page above 127, escaped in either case or raw
        {cp1252, "%E9%e9%80\xE9", "\xC3\xA9\xC3\xA9\xE2\x82\xAC\xC3\xA9"},
        {cp1252, "%E9AB",
         "\xC3\xA9"
         "AB"}, // a single-byte code page never reads four digits
        // a double-byte code page: one four-digit escape as the control writes it, or two
        {cp936, "%D6D0%CEC4", "\xE4\xB8\xAD\xE6\x96\x87"},
        {cp936, "%D6%D0", "\xE4\xB8\xAD"},
        {cp936, "a%D6D0b+%3F",
         "a\xE4\xB8\xAD"
         "b ?"},
        {cp936, "%8140", "\xE4\xB8\x82"}, // a trail byte that is a character of its own
        // broken escapes and bytes that are no text of the code page
        {cp1252, "%", nullptr},
        {cp1252, "%4", nullptr},
        {cp1252, "%G1", nullptr},
        {cp1252, "%1G", nullptr},
        {cp1252, "%81", nullptr},
        {cp936, "%D6", nullptr},
        {cp936, "%D6Z0", nullptr},
        {cp936, "a%D6+b", nullptr},
    };
    for (const auto &row : rows) {
        const auto decoded = decodeFormText(row.encoded, row.codePage);
        EXPECT_EQ(decoded.has_value(), row.decoded != nullptr) << row.encoded;
        if (decoded && row.decoded)
            EXPECT_EQ(*decoded, row.decoded) << row.encoded;
    }
}

TEST(FormDecodingTest, FormSplitsIntoFieldsInOrder)
{
    const auto fields = decodeForm("SQL=a+b%26c%3Dd&x=1&&flag&a=b=c", cp1252);
    ASSERT_TRUE(fields);
    EXPECT_EQ(*fields, (FormFields{{"SQL", "a b&c=d"}, {"x", "1"}, {"flag", ""}, {"a", "b=c"}}));
    EXPECT_EQ(decodeForm("", cp1252)->size(), 0u);
    for (const char *broken : {"x=1&SQL=%ZZ", "S%QL=1", "%Z=1&SQL=x"})
        EXPECT_FALSE(decodeForm(broken, cp1252)) << broken;
}
