#pragma once

#include <memory>
#include <string>

namespace MemberCommentServer {

struct ServerOptions {
    // A PostgreSQL connection URI ("postgresql://user@host/db"), or a SQLite file; empty for an
    // in-memory SQLite database, which is always seeded with the demo data.
    std::string database;
    // Adds the demo data to the database (rows already there are kept).
    bool seedDemo = false;
    // The code page the control writes its form body in (an iconv name).
    std::string codePage = "CP1252";
    // "user:password" that every request must carry (HTTP Basic); empty when none is asked for.
    std::string credentials;
    // A request must arrive in full, headers and body, within this many seconds.
    int requestSeconds = 60;
};

// The reference server page MemberComment.asp over SQLite or PostgreSQL, served over HTTP on a background
// thread. Every request is logged to stderr in one line.
class Server
{
public:
    // Opens the database and checks the code page and credentials; throws std::runtime_error with
    // the reason.
    explicit Server(const ServerOptions &options);
    // Stops serving first.
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Binds host:port (port 0 picks a free one) and starts serving; returns the bound port.
    // Throws std::runtime_error when the address cannot be bound (say, another server listens
    // there) or the server does not come up.
    int start(const std::string &host = "127.0.0.1", int port = 0);
    // Stops accepting, lets running requests end and joins the serving thread; a no-op when stopped.
    void stop();

    int port() const;
    // "http://host:port", the base address to give the control's LoadData.
    std::string baseUrl() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace MemberCommentServer
