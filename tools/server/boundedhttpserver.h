#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <string>

namespace MemberCommentServer {

// What one client may cost the server.
struct ConnectionLimits {
    // A request must arrive in full, headers and body, within this time of its first byte.
    std::chrono::seconds requestTime{60};
    // Connections served at once, each on a thread of its own; further ones wait in turn.
    std::size_t connections = 256;
};

// cpp-httplib's server with connections served under ConnectionLimits: slow or idle clients
// cannot take every worker, no byte range is ever served, and the port is never shared with
// another server (the library's default lets a second one bind it and take half the requests).
class BoundedHttpServer : public httplib::Server
{
public:
    explicit BoundedHttpServer(const ConnectionLimits &limits);

    // Binds host:port (0: any free port) for listen_after_bind; returns the port, or -1 with errno set.
    int bind(const std::string &host, int port);

private:
    bool process_and_close_socket(socket_t sock) override;

    ConnectionLimits m_limits;
};

} // namespace MemberCommentServer
