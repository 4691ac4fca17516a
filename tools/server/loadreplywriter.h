#pragma once

#include "loadquery.h"

#include <string>
#include <string_view>

namespace MemberCommentServer {

// Escapes UTF-8 text for XML element content; a carriage return becomes "&#13;" so that XML's
// line-end normalisation keeps CR LF intact, and a character XML cannot carry becomes U+FFFD.
std::string escapeXml(std::string_view text);

// The load reply as UTF-8 XML, read by position: under the document element the user's name,
// the groups, the types and the comments, each comment's fields in the comment list's column order.
// Dates are in the display form and the month-name form, flags "0"/"1".
std::string writeLoadReply(const LoadData &data);

} // namespace MemberCommentServer
