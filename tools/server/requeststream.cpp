#include "requeststream.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace MemberCommentServer {

namespace {

// Waits are cut into slices so that a stopping server is noticed soon.
constexpr auto kSlice = std::chrono::milliseconds(100);

void addressOf(int (*query)(int, sockaddr *, socklen_t *), int socket, std::string &ip, int &port)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    char host[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (query(socket, reinterpret_cast<sockaddr *>(&address), &length) != 0
        || getnameinfo(reinterpret_cast<sockaddr *>(&address), length, host, sizeof host, service, sizeof service,
                       NI_NUMERICHOST | NI_NUMERICSERV)
            != 0)
        return;
    ip = host;
    port = std::atoi(service);
}

} // namespace

RequestStream::RequestStream(int socket, std::chrono::milliseconds readIdle, std::chrono::milliseconds writeIdle,
                             std::function<bool()> stopping)
    : m_socket(socket)
    , m_readIdle(readIdle)
    , m_writeIdle(writeIdle)
    , m_stopping(std::move(stopping))
{
}

bool RequestStream::waitFor(short events, Clock::time_point limit) const
{
    while (!m_stopping()) {
        const auto now = Clock::now();
        if (now >= limit)
            return false;
        const auto slice = std::min<Clock::duration>(limit - now, kSlice);
        pollfd ready{m_socket, events, 0};
        const int rc = ::poll(&ready, 1, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(slice).count()));
        if (rc > 0)
            return true;
        if (rc < 0 && errno != EINTR)
            return false;
    }
    return false;
}

bool RequestStream::waitForRequest(std::chrono::milliseconds idle)
{
    m_deadline = Clock::time_point::max();
    return m_begin < m_end || waitFor(POLLIN, Clock::now() + idle);
}

bool RequestStream::is_readable() const
{
    return m_begin < m_end || waitFor(POLLIN, std::min(m_deadline, Clock::now() + m_readIdle));
}

bool RequestStream::is_writable() const
{
    return waitFor(POLLOUT, Clock::now() + m_writeIdle);
}

ssize_t RequestStream::read(char *ptr, size_t size)
{
    if (m_begin == m_end) {
        // Large reads (bodies) go straight to the caller; small ones fill the buffer.
        const bool direct = size >= sizeof m_buffer;
        ssize_t got;
        do {
            if (!is_readable())
                return -1;
            got = ::recv(m_socket, direct ? ptr : m_buffer, direct ? size : sizeof m_buffer, MSG_DONTWAIT);
        } while (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK));
        if (got <= 0)
            return got;
        if (direct) {
            m_consumed += static_cast<std::uint64_t>(got);
            return got;
        }
        m_begin = 0;
        m_end = static_cast<size_t>(got);
    }
    const size_t taken = std::min(size, m_end - m_begin);
    std::memcpy(ptr, m_buffer + m_begin, taken);
    m_begin += taken;
    m_consumed += taken;
    return static_cast<ssize_t>(taken);
}

ssize_t RequestStream::write(const char *ptr, size_t size)
{
    if (!is_writable())
        return -1;
    const ssize_t sent = ::send(m_socket, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    // Nothing sent this time is no failure: the library calls again, and is_writable waits.
    return sent < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : sent;
}

void RequestStream::get_remote_ip_and_port(std::string &ip, int &port) const
{
    addressOf(::getpeername, m_socket, ip, port);
}

void RequestStream::get_local_ip_and_port(std::string &ip, int &port) const
{
    addressOf(::getsockname, m_socket, ip, port);
}

} // namespace MemberCommentServer
