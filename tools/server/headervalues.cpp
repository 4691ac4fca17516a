#include "headervalues.h"

#include <cctype>

namespace MemberCommentServer {

std::string_view trimmed(std::string_view value)
{
    const size_t start = value.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    return value.substr(start, value.find_last_not_of(" \t") - start + 1);
}

bool sameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool acceptsEncoding(std::string_view acceptEncoding, std::string_view coding)
{
    while (!acceptEncoding.empty()) {
        const size_t comma = acceptEncoding.find(',');
        const std::string_view item = acceptEncoding.substr(0, comma);
        acceptEncoding = comma == std::string_view::npos ? std::string_view() : acceptEncoding.substr(comma + 1);
        const size_t semicolon = item.find(';');
        if (!sameLetters(trimmed(item.substr(0, semicolon)), coding))
            continue;
        // "q=0", "q=0.0" ... refuse the coding; any other weight takes it.
        const size_t q = item.find("q=", semicolon);
        return semicolon == std::string_view::npos || q == std::string_view::npos
               || trimmed(item.substr(q + 2)).find_first_not_of("0.") != std::string_view::npos;
    }
    return false;
}

std::optional<std::uint64_t> contentLength(const httplib::Request &req)
{
    const std::string length = req.get_header_value("Content-Length");
    if (length.empty() || length.size() > 18 || length.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoull(length);
}

} // namespace MemberCommentServer
