#pragma once

#include <httplib.h>

#include <optional>
#include <string>
#include <string_view>

namespace MemberCommentServer {

// Why the page turns a request away before any handler runs.
struct Refusal {
    int status = 0;
    std::string text;
    httplib::Headers headers;
};

// The page's rules for every request, in this order: only <any path>/MemberComment.asp (404), only
// GET, HEAD and POST (405 with Allow), nothing sent by a web page, which names its Origin (403),
// the credentials when the server asks for them (401), a POST only as a form (415).
// `authorization` is the Authorization value required (see basicAuthorization); empty for none.
std::optional<Refusal> refusalFor(const httplib::Request &req, std::string_view authorization);

// The Authorization value of HTTP Basic authentication for "user:password".
std::string basicAuthorization(std::string_view credentials);

} // namespace MemberCommentServer
