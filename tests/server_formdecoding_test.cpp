#include "formdecoding.h"

#include "exchange/urlencode.h"

#include <gtest/gtest.h>

using namespace MemberCommentServer;

namespace {

const CodePageConverter &cp1252()
{
    static const CodePageConverter converter = *CodePageConverter::open("CP1252");
    return converter;
}

const CodePageConverter &cp936()
{
    static const CodePageConverter converter = *CodePageConverter::open("CP936");
    return converter;
}

struct Row {
    const char *encoded;
    const char *decoded; // UTF-8
};

} // namespace

TEST(FormDecodingTest, DecodesWhatTheControlWrites)
{
    const Row rows[] = {
        // plain text and blanks
        {"", ""},
        {"abcXYZ019*-._", "abcXYZ019*-._"},
        {"a+b", "a b"},
        {"++", "  "},
        // escaped ASCII
        {"Don%27t+call+back", "Don't call back"},
        {"x%3D1%26y%3D%27z%27", "x=1&y='z'"},
        {"50%25+off", "50% off"},
        {"A%2BB", "A+B"},
        {"It%27s+9%3A30+-+ok%3F", "It's 9:30 - ok?"},
        {"%09%0D%0A%7E", "\t\r\n~"},
        {"%3Ctag%3E%26amp%3B", "<tag>&amp;"},
        // bytes of the code page above 127
        {"%E9", "\xC3\xA9"},
        {"%e9", "\xC3\xA9"},
        {"%80", "\xE2\x82\xAC"},
        {"%E9AB",
         "\xC3\xA9"
         "AB"}, // a single-byte code page never reads four digits
        // raw bytes pass as bytes of the code page
        {"\xE9", "\xC3\xA9"},
    };
    for (const Row &row : rows) {
        const auto decoded = decodeFormText(row.encoded, cp1252());
        ASSERT_TRUE(decoded) << row.encoded;
        EXPECT_EQ(*decoded, row.decoded) << row.encoded;
    }
}

TEST(FormDecodingTest, DoubleByteCodePageTakesFourDigitEscapes)
{
    const Row rows[] = {
        {"%D6D0%CEC4", "\xE4\xB8\xAD\xE6\x96\x87"}, // as the control writes it
        {"%D6%D0", "\xE4\xB8\xAD"},                 // as a browser writes it
        {"a%D6D0b+%3F",
         "a\xE4\xB8\xAD"
         "b ?"},
        {"%8140", "\xE4\xB8\x82"}, // a trail byte that is a character of its own
    };
    for (const Row &row : rows) {
        const auto decoded = decodeFormText(row.encoded, cp936());
        ASSERT_TRUE(decoded) << row.encoded;
        EXPECT_EQ(*decoded, row.decoded) << row.encoded;
    }
}

TEST(FormDecodingTest, BrokenEscapesAndInvalidBytesAreRefused)
{
    for (const char *encoded : {"%", "%4", "abc%2", "%G1", "%+1", "a%%20", "%81"})
        EXPECT_FALSE(decodeFormText(encoded, cp1252())) << encoded;
    for (const char *encoded : {"%D6", "%D6Z0", "%D6%", "a%D6+b"})
        EXPECT_FALSE(decodeFormText(encoded, cp936())) << encoded;
}

TEST(FormDecodingTest, FormSplitsIntoFieldsInOrder)
{
    const auto fields = decodeForm("SQL=a+b%26c%3Dd&x=1&&flag&a=b=c", cp1252());
    ASSERT_TRUE(fields);
    const FormFields expected = {{"SQL", "a b&c=d"}, {"x", "1"}, {"flag", ""}, {"a", "b=c"}};
    EXPECT_EQ(*fields, expected);

    EXPECT_EQ(decodeForm("", cp1252())->size(), 0u);
    EXPECT_FALSE(decodeForm("x=1&SQL=%ZZ", cp1252()));
    EXPECT_FALSE(decodeForm("S%QL=1", cp1252()));
}

TEST(FormDecodingTest, UndoesTheControlsUrlEncode)
{
    // Hostile texts survive the control's encoding and this decoding unchanged; a character the
    // code page lacks arrives as "?".
    const QString texts[] = {
        QStringLiteral("Don't call back; x=1&y='z' 50% A+B ~ \"q\" ''"),
        QStringLiteral("<tag>&amp; \u00e9\u00fc\u20ac\r\n\ttab"),
        QString(1000, QChar(u'%')),
    };
    for (const QString &text : texts) {
        const QString encoded = VynMemberComment::urlEncode(text, 1252);
        const auto decoded = decodeFormText(encoded.toStdString(), cp1252());
        ASSERT_TRUE(decoded) << encoded.toStdString();
        EXPECT_EQ(QString::fromStdString(*decoded), text);
    }
    const QString chinese = QStringLiteral("\u4e2d\u6587 a\u00b7b");
    const auto decoded936 = decodeFormText(VynMemberComment::urlEncode(chinese, 936).toStdString(), cp936());
    ASSERT_TRUE(decoded936);
    EXPECT_EQ(QString::fromStdString(*decoded936), chinese);

    const auto outside = decodeFormText(VynMemberComment::urlEncode(u"\u4e2d", 1252).toStdString(), cp1252());
    ASSERT_TRUE(outside);
    EXPECT_EQ(*outside, "?");
}

TEST(FormDecodingTest, UnknownCodePageIsNone)
{
    EXPECT_FALSE(CodePageConverter::open("NO-SUCH-CODE-PAGE"));
    EXPECT_FALSE(cp1252().isLeadByte(0xD6));
    EXPECT_TRUE(cp936().isLeadByte(0xD6));
    EXPECT_FALSE(cp936().isLeadByte('A'));
}
