#include "xmltext.h"

#include "utf8.h"

namespace MemberCommentServer {

std::size_t xmlCharLength(std::string_view text, std::size_t at)
{
    const Utf8Char c = utf8CharAt(text, at);
    const bool allowed =
        c.code >= 0x20 ? c.code != 0xFFFE && c.code != 0xFFFF : c.code == '\t' || c.code == '\n' || c.code == '\r';
    return allowed ? c.length : 0;
}

bool isXmlText(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = xmlCharLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

} // namespace MemberCommentServer
