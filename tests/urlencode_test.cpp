#include "exchange/urlencode.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

using namespace VynMemberComment;
using Platform::CodePage;

namespace {

struct EncodeCase {
    const char16_t *input;
    CodePage codePage;
    const char *expected;
};

void expectEncodings(std::initializer_list<EncodeCase> cases)
{
    for (const EncodeCase &c : cases) {
        const QString input = QString::fromUtf16(c.input);
        EXPECT_EQ(urlEncode(input, c.codePage), QLatin1StringView(c.expected))
            << "input " << input.toStdString() << " in CP" << c.codePage;
    }
}

std::vector<std::uint16_t> codesOf(const char16_t *text, CodePage codePage)
{
    std::vector<std::uint16_t> codes;
    Platform::toCodePage(QString::fromUtf16(text), codePage, codes);
    return codes;
}

} // namespace

TEST(UrlEncodeTest, DocumentedExamples)
{
    expectEncodings({
        {u"a b", 1252, "a+b"},
        {u"Don't call back", 1252, "Don%27t+call+back"},
        {u"x=1&y='z'", 1252, "x%3D1%26y%3D%27z%27"},
        {u"50% off", 1252, "50%25+off"},
        {u"A+B", 1252, "A%2BB"},
        {u"It's 9:30 - ok?", 1252, "It%27s+9%3A30+-+ok%3F"},
        {u"\t", 1252, "%09"},
        {u"\u00e9", 1252, "%E9"},
        {u"", 1252, ""},
    });
}

TEST(UrlEncodeTest, InsertValuesFragment)
{
    const QString values =
        QStringLiteral("VALUES (1234 ,'Don''t call back',@MAXID+1,2,5,GETDATE(),'clerk1',1,0,0,GETDATE(),1);");
    EXPECT_EQ(urlEncode(values, 1252),
              QStringLiteral("VALUES+%281234+%2C%27Don%27%27t+call+back%27%2C%40MAXID%2B1%2C2%2C5%2CGETDATE%28%29"
                             "%2C%27clerk1%27%2C1%2C0%2C0%2CGETDATE%28%29%2C1%29%3B"));
}

TEST(UrlEncodeTest, EveryAsciiCharacterClass)
{
    // exactly the letters, digits and "*-._" pass; a blank is "+"; all else is two upper-case digits
    for (char16_t c = 0; c < 128; ++c) {
        const QString encoded = urlEncode(QString(QChar(c)), 1252);
        const bool passes = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
            || c == u'*' || c == u'-' || c == u'.' || c == u'_';
        if (passes)
            EXPECT_EQ(encoded, QString(QChar(c)));
        else if (c == u' ')
            EXPECT_EQ(encoded, QStringLiteral("+"));
        else
            EXPECT_EQ(encoded, QStringLiteral("%%1").arg(int(c), 2, 16, QLatin1Char('0')).toUpper()) << int(c);
    }
    expectEncodings({
        // characters a reader might expect to pass
        {u"~", 1252, "%7E"},
        {u"+", 1252, "%2B"},
        {u"%", 1252, "%25"},
        {u"/?#[]@!$&()", 1252, "%2F%3F%23%5B%5D%40%21%24%26%28%29"},
        // control characters
        {u"\r\n", 1252, "%0D%0A"},
        {u"\x01\x7f", 1252, "%01%7F"},
    });
}

TEST(UrlEncodeTest, CodePageBytes)
{
    expectEncodings({
        // single-byte pages: two digits per character
        {u"caf\u00e9 cr\u00e8me", 1252, "caf%E9+cr%E8me"},
        {u"\u20ac\u2019\u0152", 1252, "%80%92%8C"},
        {u"\u00a0\u00ff", 1252, "%A0%FF"},
        {u"\u0416", 1251, "%C6"},
        {u"\u0105", 1250, "%B9"},
        {u"\u03a9", 1253, "%D9"},
        // a character outside the page becomes "?"
        {u"\u4e2d", 1252, "%3F"},
        {u"a\u4e2d\u6587b", 1252, "a%3F%3Fb"},
        {u"\u0416", 1252, "%3F"},
        // each half of a surrogate pair, and a lone one, is a character no page holds
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
        {u"\uff71", 932, "%B1"},
    });
}

TEST(UrlEncodeTest, LongTextMatchesPieceByPiece)
{
    // long enough to cross the encoder's internal steps, with pairs split across them
    QString text;
    QString expected;
    for (int i = 0; i < 3000; ++i) {
        text += QStringLiteral("a\u00e9 \U0001F600");
        expected += QStringLiteral("a%E9+%3F%3F");
    }
    EXPECT_EQ(urlEncode(text, 1252), expected);
    const QString original = text;
    urlEncode(text, 936);
    EXPECT_EQ(text, original);
}

TEST(CodePageTest, CodesPerCharacter)
{
    using Codes = std::vector<std::uint16_t>;
    EXPECT_EQ(codesOf(u"A\u00e9\u20ac", 1252), (Codes{0x41, 0xE9, 0x80}));
    EXPECT_EQ(codesOf(u"\u4e2dA\u4e2d", 936), (Codes{0xD6D0, 0x41, 0xD6D0}));
    EXPECT_EQ(codesOf(u"\u0416\u4e2d", 936), (Codes{0xA7A8, 0xD6D0}));
    EXPECT_EQ(codesOf(u"\u0e01", 874), (Codes{0xA1}));
    EXPECT_EQ(codesOf(u"\u05d0", 1255), (Codes{0xE0}));
    EXPECT_EQ(codesOf(u"\u0103", 1258), (Codes{0xE3}));
    // unmappable characters, each half of a pair beyond the BMP and lone surrogates are one "?" each
    EXPECT_EQ(codesOf(u"\U0001F600\xdc00\u4e2d", 1252), (Codes{'?', '?', '?', '?'}));
    EXPECT_EQ(codesOf(u"\U0001F600\xdc00\u0e01\xd800", 936), (Codes{'?', '?', '?', '?', '?'}));
    // a page iconv does not know is CP1252
    EXPECT_EQ(codesOf(u"\u00e9", 99999), (Codes{0xE9}));
    std::vector<std::uint16_t> appended{7};
    Platform::toCodePage(u"A", 1252, appended);
    EXPECT_EQ(appended, (Codes{7, 0x41}));
}

TEST(CodePageTest, LocaleNames)
{
    const std::pair<const char *, CodePage> cases[] = {
        // double-byte pages
        {"zh_CN.UTF-8", 936},
        {"zh_SG", 936},
        {"zh", 936},
        {"zh_TW.Big5", 950},
        {"zh_HK.UTF-8", 950},
        {"ja_JP.UTF-8", 932},
        {"ko_KR.EUC-KR", 949},
        // single-byte pages
        {"cs_CZ.UTF-8", 1250},
        {"pl_PL", 1250},
        {"hu_HU", 1250},
        {"sr_RS@latin", 1250},
        {"ru_RU.UTF-8", 1251},
        {"uk_UA", 1251},
        {"bg_BG", 1251},
        {"sr_RS", 1251},
        {"el_GR.UTF-8", 1253},
        {"tr_TR.UTF-8", 1254},
        {"he_IL.UTF-8", 1255},
        {"ar_EG.UTF-8", 1256},
        {"fa_IR", 1256},
        {"lt_LT.UTF-8", 1257},
        {"lv_LV", 1257},
        {"et_EE", 1257},
        {"vi_VN", 1258},
        {"th_TH.UTF-8", 874},
        // everything else
        {"en_US.UTF-8", 1252},
        {"de_DE@euro", 1252},
        {"fr_FR", 1252},
        {"C", 1252},
        {"C.UTF-8", 1252},
        {"POSIX", 1252},
        {"", 1252},
        {"zz_ZZ", 1252},
        {"RU_ru", 1251},
    };
    for (const auto &[name, codePage] : cases)
        EXPECT_EQ(Platform::codePageForLocale(name), codePage) << name;
}

TEST(CodePageTest, DecoderKeepsSplitCharacters)
{
    struct Case {
        const char *charset;
        std::vector<QByteArray> pieces;
        const char16_t *expected;
    };
    const Case cases[] = {
        {"utf-8", {"caf\xc3", "\xa9 \xe4\xb8", "\xad"}, u"caf\u00e9 \u4e2d"},
        {"UTF-8", {"\xf0\x9f", "\x98\x80"}, u"\U0001F600"},
        {"", {"\xc3\xa9"}, u"\u00e9"},
        {"windows-1252", {"caf\xe9 \x80", "\x93"}, u"caf\u00e9 \u20ac\u201c"},
        {"iso-8859-1", {"\xe9\x80"}, u"\u00e9\u0080"},
        {"gbk", {"\xd6", "\xd0\xce", "\xc4!"}, u"\u4e2d\u6587!"},
        {"no-such-charset", {"\xc3", "\xa9"}, u"\u00e9"},
        // bytes that start no character are replaced, the rest goes on
        {"windows-1252", {"a\x81", "b"}, u"a\ufffdb"},
    };
    for (const Case &c : cases) {
        Platform::TextDecoder decoder(c.charset);
        QString decoded;
        for (const QByteArray &piece : c.pieces)
            decoded += decoder.decode(piece);
        EXPECT_EQ(decoded, QString::fromUtf16(c.expected)) << c.charset;
    }
}
