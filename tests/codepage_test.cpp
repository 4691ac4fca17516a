// The code page adapter: the system's code page, each character's code in it, and the decoding of
// a reply's charset piece by piece.
#include "platform/codepage.h"

#include <gtest/gtest.h>

using namespace VynMemberComment::Platform;

TEST(CodePageTest, CodesPerCharacter)
{
    // Appended to what the list holds. Characters the page lacks, each half of a pair beyond the
    // BMP and lone surrogates are one "?" each; a page iconv does not know is CP1252.
    using Codes = std::vector<std::uint16_t>;
    const std::tuple<const char16_t *, CodePage, Codes> cases[] = {
        {u"A\u00e9\u20ac", 1252, {7, 0x41, 0xE9, 0x80}},
        {u"\u4e2dA\u4e2d", 936, {7, 0xD6D0, 0x41, 0xD6D0}},
        {u"\u0416\u4e2d", 936, {7, 0xA7A8, 0xD6D0}},
        {u"\u0e01", 874, {7, 0xA1}},
        {u"\u05d0", 1255, {7, 0xE0}},
        {u"\u0103", 1258, {7, 0xE3}},
        {u"\U0001F600\xdc00\u4e2d", 1252, {7, '?', '?', '?', '?'}},
        {u"\U0001F600\xdc00\u0e01\xd800", 936, {7, '?', '?', '?', '?', '?'}},
        {u"\u00e9", 99999, {7, 0xE9}}};
    for (const auto &[text, codePage, expected] : cases) {
        Codes codes{7};
        toCodePage(QString::fromUtf16(text), codePage, codes);
        EXPECT_EQ(codes, expected) << codePage;
    }
}

TEST(CodePageTest, LocaleNames)
{
    // the language decides, and the country where it writes in two scripts; CP1252 for the rest
    const std::pair<CodePage, std::vector<const char *>> groups[] = {
        {936, {"zh_CN.UTF-8", "zh_SG", "zh"}},
        {950, {"zh_TW.Big5", "zh_HK.UTF-8"}},
        {932, {"ja_JP.UTF-8"}},
        {949, {"ko_KR.EUC-KR"}},
        {1250, {"cs_CZ.UTF-8", "pl_PL", "hu_HU", "sr_RS@latin"}},
        {1251, {"ru_RU.UTF-8", "uk_UA", "bg_BG", "sr_RS", "RU_ru"}},
        {1253, {"el_GR.UTF-8"}},
        {1254, {"tr_TR.UTF-8"}},
        {1255, {"he_IL.UTF-8"}},
        {1256, {"ar_EG.UTF-8", "fa_IR"}},
        {1257, {"lt_LT.UTF-8", "lv_LV", "et_EE"}},
        {1258, {"vi_VN"}},
        {874, {"th_TH.UTF-8"}},
        {1252, {"en_US.UTF-8", "de_DE@euro", "fr_FR", "C", "C.UTF-8", "POSIX", "", "zz_ZZ"}}};
    for (const auto &[codePage, names] : groups)
        for (const char *name : names)
            EXPECT_EQ(codePageForLocale(name), codePage) << name;
}

TEST(CodePageTest, DecoderKeepsSplitCharacters)
{
    const std::tuple<const char *, std::vector<QByteArray>, const char16_t *> cases[] = {
        {"utf-8", {"caf\xc3", "\xa9 \xe4\xb8", "\xad"}, u"caf\u00e9 \u4e2d"},
        {"UTF-8", {"\xf0\x9f", "\x98\x80"}, u"\U0001F600"},
        {"", {"\xc3\xa9"}, u"\u00e9"},
        {"windows-1252", {"caf\xe9 \x80", "\x93"}, u"caf\u00e9 \u20ac\u201c"},
        {"iso-8859-1", {"\xe9\x80"}, u"\u00e9\u0080"},
        {"gbk", {"\xd6", "\xd0\xce", "\xc4!"}, u"\u4e2d\u6587!"},
        {"no-such-charset", {"\xc3", "\xa9"}, u"\u00e9"},
        // bytes that start no character are replaced, the rest goes on
        {"windows-1252", {"a\x81", "b"}, u"a\ufffdb"},
        {"utf-8", {"a\xff", "b"}, u"a\ufffdb"}};
    for (const auto &[charset, pieces, expected] : cases) {
        TextDecoder decoder(charset);
        QString decoded;
        for (const QByteArray &piece : pieces)
            decoded += decoder.decode(piece);
        EXPECT_EQ(decoded, QString::fromUtf16(expected)) << charset;
    }
}
