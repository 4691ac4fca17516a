#pragma once

// A real HTTP server on 127.0.0.1 for tests: an ephemeral port, its own thread, every request
// recorded before its handler runs.

#include <httplib.h>

#include <QString>

#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer
{
public:
    using Handler = std::function<void(const httplib::Request &, httplib::Response &)>;

    struct Request {
        std::string method;
        std::string target; // path and query as sent
        std::string body;
        httplib::Headers headers;

        std::string header(const std::string &name) const
        {
            auto it = headers.find(name);
            return it == headers.end() ? std::string() : it->second;
        }
    };

    LoopbackServer()
    {
        auto dispatch = [this](const httplib::Request &req, httplib::Response &res) {
            Handler handler;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.push_back({req.method, req.target, req.body, req.headers});
                handler = m_handler;
            }
            // Replies go out uncompressed: httplib's brotli at top quality takes seconds on a large body.
            const_cast<httplib::Request &>(req).headers.erase("Accept-Encoding");
            if (handler)
                handler(req, res);
        };
        m_server.Get(".*", dispatch);
        m_server.Post(".*", dispatch);
        // Short keep-alive and read limits, so stopping never waits long on an idle client.
        m_server.set_keep_alive_timeout(1);
        m_server.set_read_timeout(2);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            throw std::runtime_error("loopback server: no port");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!m_server.is_running()) {
            if (std::chrono::steady_clock::now() > deadline) {
                m_server.stop();
                m_thread.join();
                throw std::runtime_error("loopback server: did not start");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    ~LoopbackServer()
    {
        m_server.stop();
        m_thread.join();
    }

    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    // Answers every later request; runs on the server's threads.
    void setHandler(Handler handler)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handler = std::move(handler);
    }

    // Answers every later request with a fixed status, body and content type.
    void reply(int status, const std::string &body, const std::string &contentType = "text/plain")
    {
        setHandler([=](const httplib::Request &, httplib::Response &res) {
            res.status = status;
            res.set_content(body, contentType);
        });
    }

    std::vector<Request> requests() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

    int port() const { return m_port; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    // The base URL of a port nobody listens on (one this kind of server just gave back).
    static QString closedBaseUrl()
    {
        int port = 0;
        {
            LoopbackServer gone;
            port = gone.port();
        }
        return QStringLiteral("http://127.0.0.1:%1").arg(port);
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    Handler m_handler;
    std::vector<Request> m_requests;
};
