#pragma once

#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <functional>

namespace MemberCommentServer {

// One accepted connection as the HTTP library reads and writes it, with a deadline for the
// request now arriving: the library only bounds the pause between two bytes, so a client that
// trickles one byte every few seconds would otherwise hold a worker forever.
class RequestStream : public httplib::Stream
{
public:
    using Clock = std::chrono::steady_clock;

    // `stopping` ends every wait early once it says true.
    RequestStream(int socket, std::chrono::milliseconds readIdle, std::chrono::milliseconds writeIdle,
                  std::function<bool()> stopping);

    // Waits up to `idle` for the first byte of the next request; false when none came.
    bool waitForRequest(std::chrono::milliseconds idle);
    // Reads fail once this time has passed.
    void setDeadline(Clock::time_point deadline) { m_deadline = deadline; }
    // Bytes handed to readers so far.
    std::uint64_t consumed() const { return m_consumed; }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char *ptr, size_t size) override;
    ssize_t write(const char *ptr, size_t size) override;
    void get_remote_ip_and_port(std::string &ip, int &port) const override;
    void get_local_ip_and_port(std::string &ip, int &port) const override;
    socket_t socket() const override { return m_socket; }

private:
    // Polls for `events` until ready, `limit` passes or the server stops; true when ready.
    bool waitFor(short events, Clock::time_point limit) const;

    int m_socket;
    std::chrono::milliseconds m_readIdle;
    std::chrono::milliseconds m_writeIdle;
    std::function<bool()> m_stopping;
    Clock::time_point m_deadline = Clock::time_point::max();
    std::uint64_t m_consumed = 0;
    // The library reads header lines one byte at a time: serve those from a buffer.
    char m_buffer[4096];
    size_t m_begin = 0;
    size_t m_end = 0;
};

} // namespace MemberCommentServer
