#pragma once

// A raw TCP client of a server on 127.0.0.1, for requests no HTTP client would send; every wait
// is bounded.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

class RawClient
{
public:
    // A connection that fails shows when the first send does.
    explicit RawClient(int port)
        : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(std::uint16_t(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        (void)::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    }
    ~RawClient() { ::close(m_fd); }
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;

    // Sends every byte; false when the server is gone.
    bool send(std::string_view bytes) const
    {
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    // What arrives until the server closes the connection (which sets `closed`) or `limit` passes.
    std::string read(std::chrono::milliseconds limit, bool *closed = nullptr) const
    {
        std::string answer;
        for (const auto deadline = std::chrono::steady_clock::now() + limit;
             std::chrono::steady_clock::now() < deadline;) {
            pollfd readable{m_fd, POLLIN, 0};
            if (::poll(&readable, 1, 50) <= 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (got <= 0 && closed)
                *closed = true;
            if (got <= 0)
                break;
            answer.append(buffer, size_t(got));
        }
        return answer;
    }

private:
    int m_fd;
};
