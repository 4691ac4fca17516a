#pragma once

// A TCP server on 127.0.0.1 that misbehaves on purpose: every connection reads one request and
// runs a script over the raw socket, so a test can close, reset, trickle or stall wherever it
// likes. Every wait inside is bounded, and the destructor ends a stalled script at once.

#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class RawServer
{
public:
    // One accepted connection, as its script sees it.
    struct Connection {
        int fd;
        RawServer &server;

        // Reads one request: the header block and as much body as Content-Length names. Gives up
        // after ten seconds without the whole request; returns what arrived.
        std::string readRequest()
        {
            std::string data;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            size_t wanted = std::string::npos;
            while (data.size() < wanted && std::chrono::steady_clock::now() < deadline && !server.m_stopping) {
                pollfd readable{fd, POLLIN, 0};
                if (::poll(&readable, 1, 20) <= 0)
                    continue;
                char buffer[65536];
                const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                data.append(buffer, size_t(got));
                const size_t headerEnd = data.find("\r\n\r\n");
                const size_t at = data.find("Content-Length:"); // as Qt writes it
                if (wanted == std::string::npos && headerEnd != std::string::npos)
                    wanted = headerEnd + 4 + (at < headerEnd ? std::stoul(data.substr(at + 15)) : 0);
            }
            return data;
        }
        // Sends every byte; false when the peer is gone.
        bool send(std::string_view bytes)
        {
            for (ssize_t sent = 0; !bytes.empty(); bytes.remove_prefix(size_t(sent))) {
                if ((sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL)) <= 0)
                    return false;
            }
            return true;
        }
        // Waits for the given time, or less when the server stops; false when it stopped.
        bool pause(std::chrono::milliseconds time)
        {
            std::unique_lock<std::mutex> lock(server.m_mutex);
            return !server.m_stopped.wait_for(lock, time, [this] { return server.m_stopping.load(); });
        }
        // Waits until the server stops (at most a minute): the peer hears nothing more.
        void stall() { pause(std::chrono::minutes(1)); }
        // Drops the connection with a reset instead of an orderly close.
        void reset()
        {
            const linger abortive{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        }
    };
    using Script = std::function<void(Connection &, const std::string &request)>;

    explicit RawServer(Script script)
        : m_script(std::move(script))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(m_listen, 16) != 0
            || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
            ::close(m_listen);
            throw std::runtime_error("raw server: no port");
        }
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }
    ~RawServer()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_stopped.notify_all();
        m_acceptor.join();
        for (std::thread &t : m_connections)
            t.join();
        ::close(m_listen);
    }
    RawServer(const RawServer &) = delete;
    RawServer &operator=(const RawServer &) = delete;

    int port() const { return m_port; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    // Connections accepted so far.
    int accepted() const { return m_accepted; }
    // The body of the first request.
    std::string firstBody()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_firstBody;
    }

private:
    void acceptLoop()
    {
        while (!m_stopping) {
            pollfd waiting{m_listen, POLLIN, 0};
            const int fd = ::poll(&waiting, 1, 20) > 0 ? ::accept(m_listen, nullptr, nullptr) : -1;
            if (fd < 0)
                continue;
            ++m_accepted;
            // A peer that stops reading cannot hold a script forever.
            const timeval sendLimit{10, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
            m_connections.emplace_back([this, fd] {
                Connection connection{fd, *this};
                const std::string request = connection.readRequest();
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (m_firstBody.empty())
                        m_firstBody = request.substr(std::min(request.size(), request.find("\r\n\r\n") + 4));
                }
                m_script(connection, request);
                ::close(fd);
            });
        }
    }

    Script m_script;
    int m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    int m_port = 0;
    std::atomic<int> m_accepted{0};
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    std::vector<std::thread> m_connections; // touched by the acceptor thread, then by the destructor
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    std::string m_firstBody;
};

using RawConnection = RawServer::Connection;
