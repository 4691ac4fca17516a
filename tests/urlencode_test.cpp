// The form encoding of the save's body, in the code page of the system.
#include "exchange/urlencode.h"
#include "support/wireforms.h"

#include <gtest/gtest.h>

using namespace VynMemberComment;

TEST(UrlEncodeTest, EncodedForms)
{
    const struct {
        const char16_t *text;
        Platform::CodePage codePage;
        const char *encoded;
    } cases[] = {{u"", 1252, ""},
                 {u"a b", 1252, "a+b"},
                 {u"Don't call back", 1252, "Don%27t+call+back"},
                 {u"x=1&y='z'", 1252, "x%3D1%26y%3D%27z%27"},
                 {u"50% off", 1252, "50%25+off"},
                 {u"A+B", 1252, "A%2BB"},
                 {u"It's 9:30 - ok?", 1252, "It%27s+9%3A30+-+ok%3F"},
                 {u"*-._~", 1252, "*-._%7E"},
                 {u"/?#[]@!$&()", 1252, "%2F%3F%23%5B%5D%40%21%24%26%28%29"},
                 {u"\t\r\n\x01\x7f", 1252, "%09%0D%0A%01%7F"},
                 {u"VALUES (1234 ,'Don''t call back',@MAXID+1,GETDATE(),1);", 1252,
                  "VALUES+%281234+%2C%27Don%27%27t+call+back%27%2C%40MAXID%2B1%2CGETDATE%28%29%2C1%29%3B"},
                 // single-byte pages: two digits per character
                 {u"caf\u00e9 cr\u00e8me", 1252, "caf%E9+cr%E8me"},
                 {u"\u20ac\u2019\u0152", 1252, "%80%92%8C"},
                 {u"\u00a0\u00ff", 1252, "%A0%FF"},
                 {u"\u0416", 1251, "%C6"},
                 {u"\u0105", 1250, "%B9"},
                 {u"\u03a9", 1253, "%D9"},
                 // a character outside the page becomes "?", and so does each half of a pair and a lone one
                 {u"a\u4e2d\u6587b", 1252, "a%3F%3Fb"},
                 {u"\u0416", 1252, "%3F"},
                 {u"a\U0001F600b", 1252, "a%3F%3Fb"},
                 {u"\xd800x\xdc00", 1252, "%3Fx%3F"},
                 // double-byte pages: one "%" and four digits per character
                 {u"\u4e2d\u6587", 936, "%D6D0%CEC4"},
                 {u"\u4e2d", 950, "%A4A4"},
                 {u"\u65e5\u672c", 932, "%93FA%967B"},
                 {u"\ud55c", 949, "%C7D1"},
                 {u"a \u4e2d.", 936, "a+%D6D0."},
                 {u"\u4e2d\u00e9\u6587", 936, "%D6D0%A8A6%CEC4"},
                 {u"\u4e2d\U0001F600\u6587", 936, "%D6D0%3F%3F%CEC4"},
                 {u"\uff71", 932, "%B1"}};
    for (const auto &c : cases)
        EXPECT_EQ(urlEncode(QString::fromUtf16(c.text), c.codePage), QLatin1StringView(c.encoded))
            << c.encoded << " in CP" << c.codePage;
}

TEST(UrlEncodeTest, EveryUnitAsTheRuleSays)
{
    // every entry of the encoder's table, in runs that take the vector paths
    QString units(0x10000, Qt::Uninitialized);
    for (int c = 0; c < 0x10000; ++c)
        units[c] = QChar(char16_t(c));
    for (const Platform::CodePage codePage : {1252, 1251, 936, 932})
        EXPECT_EQ(urlEncode(units, codePage).toStdString(), WireForms::encodedByRule(units, codePage)) << codePage;
}

TEST(UrlEncodeTest, LongTextWithPairsAcrossTheEncodersSteps)
{
    QString text;
    QString cp1252, cp936;
    for (int i = 0; i < 3000; ++i) {
        text += QStringLiteral("a\u00e9 \U0001F600");
        cp1252 += QStringLiteral("a%E9+%3F%3F");
        cp936 += QStringLiteral("a%A8A6+%3F%3F");
    }
    EXPECT_EQ(urlEncode(text, 1252), cp1252);
    EXPECT_EQ(urlEncode(text, 936), cp936);
}
