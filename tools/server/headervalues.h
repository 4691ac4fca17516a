#pragma once

#include <httplib.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace MemberCommentServer {

// The value without blanks and tabs at either end.
std::string_view trimmed(std::string_view value);

// True when the texts are equal but for the case of ASCII letters.
bool sameLetters(std::string_view a, std::string_view b);

// The request's Content-Length; none when it has none or it is not a plain number.
std::optional<std::uint64_t> contentLength(const httplib::Request &req);

} // namespace MemberCommentServer
