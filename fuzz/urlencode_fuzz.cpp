// Arbitrary UTF-16 (lone surrogates included) through urlEncode in CP1252 and CP936. The result is
// plain form text, and the reference server's form decoding reads back exactly what the code page
// adapter says the page holds, each character it lacks as "?".
#include "exchange/urlencode.h"
#include "formdecoding.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace VynMemberComment;
using MemberCommentServer::CodePageConverter;

namespace {

bool isFormCharacter(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'*' || c == u'-'
        || c == u'.' || c == u'_' || c == u'+' || c == u'%';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    static const std::pair<Platform::CodePage, CodePageConverter> pages[] = {{1252, *CodePageConverter::open("CP1252")},
                                                                             {936, *CodePageConverter::open("CP936")}};
    for (const auto &[codePage, converter] : pages) {
        const QString encoded = urlEncode(text, codePage);
        std::string form;
        for (const QChar c : encoded) {
            if (!isFormCharacter(c.unicode()))
                std::abort();
            form += char(c.unicode());
        }
        std::vector<std::uint16_t> codes;
        Platform::toCodePage(text, codePage, codes);
        std::string bytes;
        for (const std::uint16_t code : codes) {
            if (code > 0xFF)
                bytes += char(code >> 8);
            bytes += char(code & 0xFF);
        }
        const std::optional<std::string> held = converter.toUtf8(bytes);
        if (!held || MemberCommentServer::decodeFormText(form, converter) != held)
            std::abort();
    }
    return 0;
}
