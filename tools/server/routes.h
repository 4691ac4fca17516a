#pragma once

#include "codepageconverter.h"
#include "commentstore.h"
#include "largebodygate.h"

#include <cstddef>
#include <string>

namespace httplib {
class Server;
}

namespace MemberCommentServer {

// Largest save request body taken; larger ones get 413.
constexpr std::size_t kMaxRequestBody = 16 * 1024 * 1024;
// A save body larger than this needs a pass of the large-body gate.
constexpr std::size_t kLargeBody = 1024 * 1024;

// What the page's handlers share.
struct Page {
    CommentStore &store;
    const CodePageConverter &codePage;
    LargeBodyGate &largeBodies;
    // The Authorization value every request must carry; empty when none is asked for.
    std::string authorization;
};

// Serves GET <any path>/MemberComment.asp (the load reply) and POST <any path>/MemberComment.asp
// (a save batch in the form field SQL, written in the code page) from the store, after the
// checks of refusalFor. The page must outlive the server.
void installRoutes(httplib::Server &server, const Page &page);

} // namespace MemberCommentServer
