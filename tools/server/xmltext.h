#pragma once

#include <cstddef>
#include <string_view>

namespace MemberCommentServer {

// The length of the character at byte `at` of UTF-8 text, or 0 when XML 1.0 cannot carry it:
// control characters other than tab, line feed and carriage return, U+FFFE, U+FFFF, and bytes
// that are no well-formed UTF-8 (lone surrogates included).
std::size_t xmlCharLength(std::string_view text, std::size_t at);

// True when XML 1.0 can carry every character of the UTF-8 text.
bool isXmlText(std::string_view text);

} // namespace MemberCommentServer
