#pragma once

// The server page for the benchmarks: an in-process cpp-httplib server on 127.0.0.1 that answers
// every GET with one load reply (sent from the shared bytes, never copied) and every POST with a
// blank reply after an optional delay. It keeps no request, so its own cost stays small and equal
// for every side of a comparison.

#include <httplib.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace Bench {

class BenchServer
{
public:
    BenchServer()
    {
        m_server.Get(".*", [this](const httplib::Request &req, httplib::Response &res) {
            uncompressed(req);
            std::shared_ptr<const std::string> body = payload();
            res.set_content_provider(body->size(), "text/xml; charset=utf-8",
                                     [body](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                                         sink.write(body->data() + offset, length);
                                         return true;
                                     });
        });
        // Read through a content reader: the library's own reading refuses form bodies over 8 KiB.
        m_server.Post(
            ".*", [this](const httplib::Request &req, httplib::Response &res, const httplib::ContentReader &reader) {
                uncompressed(req);
                std::string body;
                reader([&body](const char *data, std::size_t length) {
                    body.append(data, length);
                    return true;
                });
                m_lastPostSize = body.size();
                std::this_thread::sleep_for(std::chrono::milliseconds(m_postDelayMs.load()));
                res.set_content(" ", "text/plain");
            });
        m_server.set_keep_alive_timeout(1);
        m_server.set_tcp_nodelay(true); // as the reference server: no reply waits for a delayed acknowledgement
        m_port = m_server.bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            throw std::runtime_error("bench server: no port");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~BenchServer()
    {
        m_server.stop();
        m_thread.join();
    }
    BenchServer(const BenchServer &) = delete;
    BenchServer &operator=(const BenchServer &) = delete;

    void setPayload(std::string bytes)
    {
        const std::lock_guard lock(m_mutex);
        m_payload = std::make_shared<const std::string>(std::move(bytes));
    }
    std::shared_ptr<const std::string> payload() const
    {
        const std::lock_guard lock(m_mutex);
        return m_payload;
    }
    void setPostDelay(std::chrono::milliseconds delay) { m_postDelayMs = int(delay.count()); }
    std::size_t lastPostSize() const { return m_lastPostSize; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

private:
    // Qt asks for gzip; compressing megabytes would swamp what is measured.
    static void uncompressed(const httplib::Request &req)
    {
        const_cast<httplib::Request &>(req).headers.erase("Accept-Encoding");
    }

    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::shared_ptr<const std::string> m_payload = std::make_shared<const std::string>();
    std::atomic<int> m_postDelayMs{0};
    std::atomic<std::size_t> m_lastPostSize{0};
};

} // namespace Bench
