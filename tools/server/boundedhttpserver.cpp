#include "boundedhttpserver.h"

#include "headervalues.h"
#include "requeststream.h"
#include "workerpool.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>

namespace MemberCommentServer {

namespace {

using Clock = std::chrono::steady_clock;

// The longest pause within a request or while a reply is taken.
constexpr time_t kIdleSeconds = 5;
// An idle keep-alive connection holds its worker this long, and stop() waits for it.
constexpr time_t kKeepAliveSeconds = 2;
// How long the bytes of a request that was answered unread may drain before the connection closes.
constexpr auto kDrainTime = std::chrono::seconds(1);

void reuseAddressOnly(socket_t sock)
{
    // A restarted server may bind while connections of its predecessor linger; SO_REUSEPORT, which
    // the library sets by default, would let a second server bind the same port.
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// The body length a request announced: 0 without one, none when it is only known by reading it.
std::optional<std::uint64_t> announcedBody(const httplib::Request &req)
{
    if (req.has_header("Transfer-Encoding"))
        return std::nullopt;
    return req.has_header("Content-Length") ? contentLength(req) : 0u;
}

void prepareRequest(httplib::Request &req)
{
    // The page serves whole documents only. The library would build one reply part per range asked
    // for, overlapping or not: thousands of copies of a document from one small header.
    req.ranges.clear();

    // Replies go out plain: the library would compress at its slowest setting, and even its fastest
    // makes a load slower than sending it plain on a local network.
    req.headers.erase("Accept-Encoding");
}

// Closing a socket with unread bytes resets the connection, which can destroy the reply before the
// client reads it: end the sending side first and let the client's bytes drain a moment.
void closeUnread(int sock)
{
    ::shutdown(sock, SHUT_WR);
    const auto until = Clock::now() + kDrainTime;
    char sink[16384];
    for (auto now = Clock::now(); now < until; now = Clock::now()) {
        pollfd readable{sock, POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now);
        if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0
            || ::recv(sock, sink, sizeof sink, MSG_DONTWAIT) <= 0)
            break;
    }
}

} // namespace

BoundedHttpServer::BoundedHttpServer(const ConnectionLimits &limits)
    : m_limits(limits)
{
    set_socket_options(reuseAddressOnly);
    // A reply's last segment must not wait for the client's delayed acknowledgement (40 ms a save).
    set_tcp_nodelay(true);
    set_read_timeout(kIdleSeconds);
    set_write_timeout(kIdleSeconds);
    set_keep_alive_timeout(kKeepAliveSeconds);
    set_default_headers({{"Accept-Ranges", "none"}});
    new_task_queue = [this] { return new WorkerPool(m_limits.connections); };
}

int BoundedHttpServer::bind(const std::string &host, int port)
{
    const int bound = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
    // The library listens with a backlog of 5: a burst of connections beyond it waits a second or
    // more for the client's retry, however idle the workers are.
    if (bound > 0)
        ::listen(svr_sock_, SOMAXCONN);
    return bound;
}

bool BoundedHttpServer::process_and_close_socket(socket_t sock)
{
    RequestStream stream(sock, std::chrono::seconds(read_timeout_sec_), std::chrono::seconds(write_timeout_sec_),
                         [this] { return svr_sock_ == INVALID_SOCKET; });
    bool bodyLeft = false;
    bool open = true;
    for (size_t served = 0; open && served < keep_alive_max_count_; ++served) {
        if (!stream.waitForRequest(std::chrono::seconds(keep_alive_timeout_sec_)))
            break;
        stream.setDeadline(Clock::now() + m_limits.requestTime);
        std::optional<std::uint64_t> body; // stays empty when the request could not be parsed
        std::uint64_t bodyStart = 0;
        bool closing = false;
        const bool answered =
            process_request(stream, served + 1 == keep_alive_max_count_, closing, [&](httplib::Request &req) {
                prepareRequest(req);
                body = announcedBody(req);
                bodyStart = stream.consumed();
            });
        // The next request would start inside a body the handler left unread.
        bodyLeft = !body || stream.consumed() - bodyStart < *body;
        open = answered && !closing && !bodyLeft;
    }
    if (bodyLeft)
        closeUnread(sock);
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return true;
}

} // namespace MemberCommentServer
