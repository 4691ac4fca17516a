#pragma once

#include "codepageconverter.h"
#include "commentstore.h"

#include <cstddef>

namespace httplib {
class Server;
}

namespace MemberCommentServer {

// Largest save request body taken; larger ones get 413.
constexpr std::size_t kMaxRequestBody = 16 * 1024 * 1024;

// Serves GET <any path>/MemberComment.asp (the load reply) and POST <any path>/MemberComment.asp
// (a save batch in the form field SQL, written in the code page) from the store.
void installRoutes(httplib::Server &server, CommentStore &store, const CodePageConverter &codePage);

} // namespace MemberCommentServer
