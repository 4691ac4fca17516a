#pragma once

#include "codepageconverter.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace MemberCommentServer {

using FormFields = std::vector<std::pair<std::string, std::string>>;

// Decodes one form-URL-encoded text into UTF-8: "+" a blank, "%XX" a byte of the code page and,
// after a lead byte, "%XXYY" a double-byte character. None on a broken escape or invalid bytes.
std::optional<std::string> decodeFormText(std::string_view text, const CodePageConverter &codePage);

// Splits a form body at "&" into decoded name/value pairs, in order (empty pieces skipped, a piece
// without "=" is a name with an empty value). None when any piece fails to decode.
std::optional<FormFields> decodeForm(std::string_view body, const CodePageConverter &codePage);

} // namespace MemberCommentServer
