#include "membercommentserver.h"

#include "codepageconverter.h"
#include "commentstore.h"
#include "dateforms.h"
#include "routes.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace MemberCommentServer {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(10);
// Idle keep-alive connections hold a worker this long after stop(), so keep it short.
constexpr time_t kKeepAliveSeconds = 2;

CodePageConverter openCodePage(const std::string &name)
{
    auto codePage = CodePageConverter::open(name);
    if (!codePage)
        throw std::runtime_error("unknown code page " + name);
    return *codePage;
}

std::unique_ptr<CommentStore> openStore(const ServerOptions &options)
{
    try {
        auto store = std::make_unique<CommentStore>(options.databasePath);
        if (options.seedDemo || options.databasePath.empty())
            store->seedDemoData();
        return store;
    } catch (const SqliteError &e) {
        throw std::runtime_error("cannot open the database " + options.databasePath + ": " + e.what());
    }
}

void logRequest(const httplib::Request &req, const httplib::Response &res)
{
    std::string outcome = std::to_string(res.body.size()) + " bytes";
    if (res.get_header_value("Content-Type").rfind("text/plain", 0) == 0)
        outcome = res.body.substr(0, 200);
    // One fprintf per line, so that lines of parallel requests do not interleave.
    std::fprintf(stderr, "%s %s %s %s %d %s\n", storedNow().c_str(), req.remote_addr.c_str(), req.method.c_str(),
                 req.target.c_str(), res.status, outcome.c_str());
}

} // namespace

struct Server::Private {
    explicit Private(const ServerOptions &options) : codePage(openCodePage(options.codePage)), store(openStore(options)) {}

    CodePageConverter codePage;
    std::unique_ptr<CommentStore> store;
    httplib::Server http;
    std::thread thread;
    std::atomic<bool> ended{false};
    std::string host;
    int port = 0;
};

Server::Server(const ServerOptions &options) : d(std::make_unique<Private>(options))
{
    installRoutes(d->http, *d->store, d->codePage);
    d->http.set_payload_max_length(kMaxRequestBody);
    d->http.set_keep_alive_timeout(kKeepAliveSeconds);
    d->http.set_logger(logRequest);
}

Server::~Server()
{
    stop();
}

int Server::start(const std::string &host, int port)
{
    if (d->thread.joinable())
        throw std::runtime_error("the server is already running");
    const int bound = port == 0 ? d->http.bind_to_any_port(host) : (d->http.bind_to_port(host, port) ? port : -1);
    if (bound <= 0)
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port));
    d->host = host;
    d->port = bound;
    d->ended = false;
    d->thread = std::thread([this] {
        d->http.listen_after_bind();
        d->ended = true;
    });
    // stop() only works once the accept loop runs, so wait for it.
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!d->http.is_running() && !d->ended && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!d->http.is_running()) {
        stop();
        throw std::runtime_error("the server did not start on " + host + ":" + std::to_string(bound));
    }
    return bound;
}

void Server::stop()
{
    if (!d->thread.joinable())
        return;
    d->http.stop();
    d->thread.join();
}

int Server::port() const
{
    return d->port;
}

std::string Server::baseUrl() const
{
    return "http://" + d->host + ":" + std::to_string(d->port);
}

} // namespace MemberCommentServer
