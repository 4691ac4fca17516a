// membercomment-server: the reference MemberComment.asp page over SQLite or PostgreSQL.
#include "commentstore.h"
#include "membercommentserver.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <malloc.h>
#include <string>

namespace {

constexpr const char *kUsage =
    "usage: membercomment-server [--listen HOST:PORT] [--db PATH|URI] [--seed-demo] [--code-page NAME]\n"
    "                            [--auth USER:PASSWORD] [--request-timeout SECONDS]\n"
    "  --listen HOST:PORT         address to serve on (default 127.0.0.1:8080)\n"
    "  --db PATH                  SQLite database file, created when missing (default: in memory, with demo data)\n"
    "  --db URI                   PostgreSQL database, as a libpq URI: postgresql://USER@HOST[:PORT]/DB[?...]\n"
    "  --seed-demo                add the demo data to the database\n"
    "  --code-page NAME           code page of the saved form bodies, an iconv name (default CP1252)\n"
    "  --auth USER:PASSWORD       ask every request for these credentials (HTTP Basic)\n"
    "  --request-timeout SECONDS  a request must arrive in full within this time (default 60)\n";

struct Arguments {
    MemberCommentServer::ServerOptions options;
    std::string host = "127.0.0.1";
    int port = 8080;
};

bool parseListen(const std::string &text, Arguments &args)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        return false;
    const std::string port = text.substr(colon + 1);
    if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) > 65535)
        return false;
    args.host = text.substr(0, colon);
    args.port = std::stoi(port);
    return true;
}

bool parseArguments(int argc, char **argv, Arguments &args)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seed-demo") {
            args.options.seedDemo = true;
        } else if (arg == "--listen" && hasValue) {
            if (!parseListen(argv[++i], args))
                return false;
        } else if (arg == "--db" && hasValue) {
            args.options.database = argv[++i];
            if (args.options.database.empty())
                return false;
        } else if (arg == "--code-page" && hasValue) {
            args.options.codePage = argv[++i];
        } else if (arg == "--auth" && hasValue) {
            args.options.credentials = argv[++i];
            if (args.options.credentials.find(':') == std::string::npos)
                return false;
        } else if (arg == "--request-timeout" && hasValue) {
            const std::string seconds = argv[++i];
            if (seconds.empty() || seconds.size() > 5 || seconds.find_first_not_of("0123456789") != std::string::npos
                || std::stoi(seconds) < 1)
                return false;
            args.options.requestSeconds = std::stoi(seconds);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Arguments args;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!parseArguments(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // Save bodies are megabytes: return such buffers to the system when freed, instead of letting
    // each worker thread's heap keep its largest ones (glibc raises the threshold as it goes).
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);

    // A file-size limit (ulimit -f) then fails the write, and with it the save, instead of the server.
    std::signal(SIGXFSZ, SIG_IGN);

    // Block the stop signals before any thread starts, so that only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        MemberCommentServer::Server server(args.options);
        server.start(args.host, args.port);
        std::fprintf(stderr, "membercomment-server: serving %s/MemberComment.asp (%s, code page %s%s)\n",
                     server.baseUrl().c_str(), MemberCommentServer::databaseName(args.options.database).c_str(),
                     args.options.codePage.c_str(), args.options.credentials.empty() ? "" : ", credentials asked");
        int signal = 0;
        sigwait(&stopSignals, &signal);
        std::fprintf(stderr, "membercomment-server: stopping\n");
        server.stop();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "membercomment-server: %s\n", e.what());
        return 1;
    }
    return 0;
}
