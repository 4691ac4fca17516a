#include "formdecoding.h"

namespace MemberCommentServer {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The byte of two hex digits at text[i], or -1.
int hexByte(std::string_view text, size_t i)
{
    if (i + 1 >= text.size())
        return -1;
    const int high = hexValue(text[i]);
    const int low = hexValue(text[i + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

} // namespace

std::optional<std::string> decodeFormText(std::string_view text, const CodePageConverter &codePage)
{
    std::string bytes;
    bytes.reserve(text.size());
    bool trailNext = false; // the byte just taken started a double-byte character
    size_t i = 0;
    while (i < text.size()) {
        int byte = static_cast<unsigned char>(text[i]);
        if (text[i] == '+') {
            byte = ' ';
            ++i;
        } else if (text[i] != '%') {
            ++i;
        } else {
            byte = hexByte(text, i + 1);
            if (byte < 0)
                return std::nullopt;
            i += 3;
            // The control writes a double-byte character as one four-digit escape; a trail byte
            // in an escape of its own ("%D6%D0") is taken on the next round.
            if (!trailNext && codePage.isLeadByte(static_cast<unsigned char>(byte)) && i < text.size()
                && text[i] != '%') {
                const int trail = hexByte(text, i);
                if (trail < 0)
                    return std::nullopt;
                bytes += static_cast<char>(byte);
                byte = trail;
                i += 2;
                trailNext = true;
            }
        }
        bytes += static_cast<char>(byte);
        trailNext = !trailNext && codePage.isLeadByte(static_cast<unsigned char>(byte));
    }
    return codePage.toUtf8(bytes);
}

std::optional<FormFields> decodeForm(std::string_view body, const CodePageConverter &codePage)
{
    FormFields fields;
    while (!body.empty()) {
        const size_t amp = body.find('&');
        const std::string_view piece = body.substr(0, amp);
        body = amp == std::string_view::npos ? std::string_view() : body.substr(amp + 1);
        if (piece.empty())
            continue;
        const size_t eq = piece.find('=');
        auto name = decodeFormText(piece.substr(0, eq), codePage);
        auto value = decodeFormText(eq == std::string_view::npos ? std::string_view() : piece.substr(eq + 1), codePage);
        if (!name || !value)
            return std::nullopt;
        fields.emplace_back(std::move(*name), std::move(*value));
    }
    return fields;
}

} // namespace MemberCommentServer
