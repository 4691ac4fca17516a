#include "membercommentserver.h"

#include "boundedhttpserver.h"
#include "codepageconverter.h"
#include "commentstore.h"
#include "dateforms.h"
#include "largebodygate.h"
#include "logline.h"
#include "requestchecks.h"
#include "routes.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace MemberCommentServer {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(10);
// Large save bodies held in memory at once.
constexpr int kLargeBodySlots = 2;

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
        auto store = openCommentStore(options.database);
        if (options.seedDemo || options.database.empty())
            store->seedDemoData();
        return store;
    } catch (const StoreError &e) {
        throw std::runtime_error("cannot open the " + databaseName(options.database) + ": " + e.what());
    }
}

std::string authorizationFor(const std::string &credentials)
{
    if (credentials.empty())
        return {};
    const size_t colon = credentials.find(':');
    if (colon == 0 || colon == std::string::npos)
        throw std::runtime_error("the credentials must be given as USER:PASSWORD");
    return basicAuthorization(credentials);
}

ConnectionLimits limitsFor(const ServerOptions &options)
{
    if (options.requestSeconds < 1)
        throw std::runtime_error("the request time must be at least one second");
    ConnectionLimits limits;
    limits.requestTime = std::chrono::seconds(options.requestSeconds);
    return limits;
}

void logRequest(const httplib::Request &req, const httplib::Response &res)
{
    // One fprintf per line, so that lines of parallel requests do not interleave.
    std::fprintf(stderr, "%s\n", logLine(storedNow(), req, res).c_str());
}

} // namespace

struct Server::Private {
    explicit Private(const ServerOptions &options)
        : codePage(openCodePage(options.codePage))
        , store(openStore(options))
        , http(limitsFor(options))
        , page{*store, codePage, largeBodies, authorizationFor(options.credentials)}
    {
    }

    CodePageConverter codePage;
    std::unique_ptr<CommentStore> store;
    LargeBodyGate largeBodies{kLargeBodySlots};
    BoundedHttpServer http;
    Page page;
    std::thread thread;
    std::atomic<bool> ended{false};
    std::string host;
    int port = 0;
};

Server::Server(const ServerOptions &options)
    : d(std::make_unique<Private>(options))
{
    installRoutes(d->http, d->page);
    d->http.set_payload_max_length(kMaxRequestBody);
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
    errno = 0;
    const int bound = d->http.bind(host, port);
    if (bound <= 0) {
        const std::string failure = "cannot listen on " + host + ":" + std::to_string(port);
        if (errno == EADDRINUSE)
            throw std::runtime_error(failure + ": the address is already in use (is another server running there?)");
        throw std::runtime_error(failure + (errno ? std::string(": ") + std::strerror(errno) : ""));
    }
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
