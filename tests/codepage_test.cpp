// The code page adapter: the system's code page, and the decoding of a reply's charset piece by
// piece. (Each character's code in a page is tested through the form encoding.)
#include "platform/codepage.h"

#include <gtest/gtest.h>

using namespace VynMemberComment::Platform;

TEST(CodePageTest, LocaleNames)
{
    // the language decides, and the country where it writes in two scripts; CP1252 for the rest
    // clang-format off
    const std::pair<CodePage, std::vector<const char *>> groups[] = {
        {936, {"zh_CN.UTF-8", "zh_SG", "zh"}}, {950, {"zh_TW.Big5", "ZH_HK.UTF-8"}}, {932, {"ja_JP.UTF-8"}},
        {949, {"ko_KR.EUC-KR"}}, {1250, {"cs_CZ.UTF-8", "pl_PL", "hu_HU", "sr_RS@latin"}},
        {1251, {"ru_RU.UTF-8", "uk_UA", "bg_BG", "sr_RS", "RU_ru"}}, {1253, {"el_GR.UTF-8"}}, {1254, {"tr_TR.UTF-8"}},
        {1255, {"he_IL.UTF-8"}}, {1256, {"ar_EG.UTF-8", "fa_IR"}}, {1257, {"lt_LT.UTF-8", "lv_LV", "et_EE"}},
        {1258, {"vi_VN"}}, {874, {"th_TH.UTF-8"}},
        {1252, {"en_US.UTF-8", "de_DE@euro", "fr_FR", "C", "C.UTF-8", "POSIX", "", "zz_ZZ"}}};
    // clang-format on
    for (const auto &[codePage, names] : groups)
        for (const char *name : names)
            EXPECT_EQ(codePageForLocale(name), codePage) << name;
}

TEST(CodePageTest, DecoderKeepsSplitCharacters)
{
    // bytes that start no character are replaced, and the rest goes on
    // clang-format off
    const std::tuple<const char *, std::vector<QByteArray>, const char16_t *> cases[] = {
        {"utf-8", {"caf\xc3", "\xa9 \xe4\xb8", "\xad"}, u"caf\u00e9 \u4e2d"}, {"", {"\xc3\xa9"}, u"\u00e9"},
        {"UTF-8", {"\xf0\x9f", "\x98\x80"}, u"\U0001F600"}, {"iso-8859-1", {"\xe9\x80"}, u"\u00e9\u0080"},
        {"windows-1252", {"caf\xe9 \x80", "\x93"}, u"caf\u00e9 \u20ac\u201c"}, {"utf-8", {"a\xff", "b"}, u"a\ufffdb"},
        {"gbk", {"\xd6", "\xd0\xce", "\xc4!"}, u"\u4e2d\u6587!"}, {"windows-1252", {"a\x81", "b"}, u"a\ufffdb"},
        {"no-such-charset", {"\xc3", "\xa9"}, u"\u00e9"}};
    // clang-format on
    for (const auto &[charset, pieces, expected] : cases) {
        TextDecoder decoder(charset);
        QString decoded;
        for (const QByteArray &piece : pieces)
            decoded += decoder.decode(piece);
        EXPECT_EQ(decoded, QString::fromUtf16(expected)) << charset;
    }
}
