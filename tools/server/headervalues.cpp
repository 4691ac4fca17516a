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

std::optional<std::uint64_t> contentLength(const httplib::Request &req)
{
    const std::string length = req.get_header_value("Content-Length");
    if (length.empty() || length.size() > 18 || length.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoull(length);
}

} // namespace MemberCommentServer
