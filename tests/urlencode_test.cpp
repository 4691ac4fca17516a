// The form encoding of the save's body, in the code page of the system.
#include "exchange/urlencode.h"
#include "support/wireforms.h"

#include <gtest/gtest.h>

using namespace VynMemberComment;

TEST(UrlEncodeTest, EncodedForms)
{
    // Letters, digits and "*-._" pass, a blank is "+", all else "%" and its code in the page: two
    // digits, four for a double-byte character; "?" for what the page lacks, each half of a pair
    // too; a page iconv does not know is CP1252. The worked example's new row among them.
    // clang-format off
    const std::tuple<const char16_t *, Platform::CodePage, const char *> cases[] = {
        {u"", 1252, ""}, {u"50% off", 1252, "50%25+off"}, {u"A+B", 1252, "A%2BB"}, {u"*-._~", 1252, "*-._%7E"},
        {u"VALUES (1234 ,'Don''t call back',@MAXID+1,2,5,GETDATE(),'clerk1',1,0,0,GETDATE(),1);", 1252,
         "VALUES+%281234+%2C%27Don%27%27t+call+back%27%2C%40MAXID%2B1%2C2%2C5%2CGETDATE%28%29%2C%27clerk1%27%2C1%2C0"
         "%2C0%2CGETDATE%28%29%2C1%29%3B"},
        {u"\t\r\n\x7f", 1252, "%09%0D%0A%7F"}, {u"caf\u00e9 \u20ac", 1252, "caf%E9+%80"},
        {u"a\u4e2d\U0001F600\xd800", 1252, "a%3F%3F%3F%3F"}, {u"\u00e9\u20ac", 99999, "%E9%80"},
        {u"\u0416", 1251, "%C6"}, {u"\u0105", 1250, "%B9"}, {u"\u03a9", 1253, "%D9"}, {u"\u0e01", 874, "%A1"},
        {u"\u05d0", 1255, "%E0"}, {u"\u0103", 1258, "%E3"}, {u"\u4e2d", 950, "%A4A4"}, {u"\ud55c", 949, "%C7D1"},
        {u"\u65e5\u672c\uff71", 932, "%93FA%967B%B1"},
        {u"a \u4e2d\u00e9\U0001F600\xdc00\u0e01\u6587.", 936, "a+%D6D0%A8A6%3F%3F%3F%3F%CEC4."}};
    // clang-format on
    for (const auto &[text, codePage, encoded] : cases)
        EXPECT_EQ(urlEncode(QString::fromUtf16(text), codePage), QLatin1StringView(encoded)) << encoded;
}

TEST(UrlEncodeTest, EveryUnitAsTheRuleSays)
{
    // every entry of the encoder's table, in runs that take the vector paths (pairs split across
    // the encoder's steps are the fast paths' fuzz seeds, which ctest replays)
    QString units(0x10000, Qt::Uninitialized);
    for (int c = 0; c < 0x10000; ++c)
        units[c] = QChar(char16_t(c));
    for (const Platform::CodePage codePage : {1252, 1250, 1251, 1253, 936, 932, 949, 950})
        EXPECT_EQ(urlEncode(units, codePage).toStdString(), WireForms::encodedByRule(units, codePage)) << codePage;
}
