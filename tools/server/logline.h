#pragma once

#include <httplib.h>

#include <string>
#include <string_view>

namespace MemberCommentServer {

// The text with every byte that could steer a terminal written as \xHH: control characters (C0,
// DEL, C1) and bytes that are no well-formed UTF-8. A backslash is written twice.
std::string printable(std::string_view text);

// The log line of one answered request, without its line end: time, client, method, target,
// status, and the reply's text when it is plain text (its first 200 bytes), else its size.
std::string logLine(std::string_view now, const httplib::Request &req, const httplib::Response &res);

} // namespace MemberCommentServer
