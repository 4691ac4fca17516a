#pragma once

#include <cstddef>
#include <string_view>

namespace MemberCommentServer {

// One character of UTF-8 text: its code point and its length in bytes.
struct Utf8Char {
    char32_t code = 0;
    std::size_t length = 0; // 0: the bytes there start no well-formed character
};

// The character that starts at byte `at` of the text. Overlong forms, surrogates, code points
// above U+10FFFF and cut sequences are not well-formed.
Utf8Char utf8CharAt(std::string_view text, std::size_t at);

} // namespace MemberCommentServer
