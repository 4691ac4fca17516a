#include "routes.h"

#include "batchparser.h"
#include "boundedhttpserver.h"
#include "formdecoding.h"
#include "headervalues.h"
#include "loadreplywriter.h"
#include "requestchecks.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>

namespace MemberCommentServer {

namespace {

// Every path, control characters included: refusalFor lets only the page's own through.
constexpr const char *kAnyPath = R"([\s\S]*)";
constexpr const char *kText = "text/plain; charset=utf-8";
// How long a large save waits for the gate before it is refused as busy.
constexpr auto kGateWait = std::chrono::seconds(20);

void reply(httplib::Response &res, int status, const std::string &text)
{
    res.status = status;
    res.set_content(text, kText);
}

// A reply before the request body was read in full: the connection cannot carry another request.
void replyUnread(httplib::Response &res, int status, const std::string &text)
{
    reply(res, status, text);
    res.set_header("Connection", "close");
}

// One query value as a whole number in [low, high]: plain decimal digits with an optional "-".
std::optional<std::int64_t> queryNumber(const httplib::Request &req, const char *key, std::int64_t low,
                                        std::int64_t high)
{
    if (req.get_param_value_count(key) != 1)
        return std::nullopt;
    const std::string text = req.get_param_value(key);
    const size_t digitsAt = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digitsAt || text.size() - digitsAt > 10
        || text.find_first_not_of("0123456789", digitsAt) != std::string::npos)
        return std::nullopt;
    const std::int64_t value = std::stoll(text);
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

void handleLoad(const httplib::Request &req, httplib::Response &res, CommentStore &store)
{
    struct Key {
        const char *name;
        std::int64_t low, high;
    };
    // Type and PersonID are 16-bit in the control, MemberID 32-bit. Type does not narrow the reply.
    static constexpr Key kKeys[] = {
        {"Type", -32768, 32767}, {"PersonID", -32768, 32767}, {"MemberID", -2147483648LL, 2147483647LL}};
    std::int64_t values[3] = {};
    for (size_t i = 0; i < 3; ++i) {
        const auto value = queryNumber(req, kKeys[i].name, kKeys[i].low, kKeys[i].high);
        if (!value)
            return reply(res, 400,
                         std::string("Bad query: ") + kKeys[i].name + " must be given once, as a whole number from "
                             + std::to_string(kKeys[i].low) + " to " + std::to_string(kKeys[i].high) + ".");
        values[i] = *value;
    }
    try {
        res.body = writeLoadReply(store.load(values[1], values[2]));
    } catch (const StoreError &e) {
        switch (e.kind()) {
        case StoreError::Kind::Busy:
            return reply(res, 503, "The database is busy; please load again.");
        case StoreError::Kind::Unreachable:
            return reply(res, 503,
                         std::string("The database cannot be reached (") + e.what()
                             + "); please load again once it is back.");
        case StoreError::Kind::Unknown:
        case StoreError::Kind::Failed:
            break;
        }
        return reply(res, 500, std::string("The database failed: ") + e.what());
    }
    res.set_header("Content-Type", "text/xml; charset=utf-8");
}

void handleSave(const httplib::Request &req, httplib::Response &res, const httplib::ContentReader &reader,
                const Page &page)
{
    constexpr const char *kTooLarge = "Nothing was saved: the request is larger than 16 MiB.";
    constexpr const char *kBusy = "Nothing was saved: the server is busy with other large saves; please save again.";
    const auto announced = contentLength(req);
    if (announced && *announced > kMaxRequestBody)
        return replyUnread(res, 413, kTooLarge);
    // A large body waits for a pass before it is read; one sent in chunks once it grows large.
    LargeBodyGate::Pass pass;
    if (announced && *announced > kLargeBody && !(pass = page.largeBodies.enter(kGateWait)))
        return replyUnread(res, 503, kBusy);
    // Read through the content reader: the library's own body reading refuses form bodies over 8 KiB.
    std::string body;
    if (announced)
        body.reserve(std::min<std::uint64_t>(*announced, kMaxRequestBody));
    bool tooLarge = false;
    bool busy = false;
    const bool read = reader([&](const char *data, size_t length) {
        if (body.size() + length > kMaxRequestBody) {
            tooLarge = true;
            return false;
        }
        if (!pass && body.size() + length > kLargeBody && !(pass = page.largeBodies.enter(kGateWait))) {
            busy = true;
            return false;
        }
        body.append(data, length);
        return true;
    });
    if (tooLarge || res.status == 413)
        return replyUnread(res, 413, kTooLarge);
    if (busy)
        return replyUnread(res, 503, kBusy);
    if (!read)
        return replyUnread(res, 400, "Nothing was saved: the request body did not arrive in full.");

    auto fields = decodeForm(body, page.codePage);
    std::string().swap(body); // the decoded form holds all that is needed
    if (!fields)
        return reply(res, 400,
                     "Nothing was saved: the form is not form-URL-encoded text in " + page.codePage.name() + ".");
    const std::string *sql = nullptr;
    for (const auto &[name, value] : *fields) {
        if (name != "SQL")
            continue;
        if (sql)
            return reply(res, 400, "Nothing was saved: the form holds the field SQL more than once.");
        sql = &value;
    }
    if (!sql)
        return reply(res, 400, "Nothing was saved: the form has no field SQL.");

    const BatchParse parse = parseBatch(*sql);
    FormFields().swap(*fields); // the batch holds the texts now
    if (!parse.error.empty())
        return reply(res, 422, "Nothing was saved: " + parse.error);
    try {
        const SaveOutcome outcome = page.store.save(parse.batch);
        if (!outcome.saved)
            return reply(res, 422, "Nothing was saved: " + outcome.reason);
        reply(res, 200,
              "Saved " + std::to_string(outcome.added) + " new and " + std::to_string(outcome.changed)
                  + " changed comment(s).");
    } catch (const StoreError &e) {
        switch (e.kind()) {
        case StoreError::Kind::Busy:
            return reply(res, 503, "Nothing was saved: the database is busy; please save again.");
        case StoreError::Kind::Unreachable:
            return reply(res, 503,
                         std::string("Nothing was saved: the database cannot be reached (") + e.what()
                             + "); please save again once it is back.");
        case StoreError::Kind::Unknown:
            return reply(res, 500,
                         std::string("The batch may or may not have been saved: ") + e.what()
                             + ". Load the member again to see which before saving again.");
        case StoreError::Kind::Failed:
            break;
        }
        reply(res, 500, std::string("Nothing was saved: the database failed: ") + e.what());
    }
}

} // namespace

void installRoutes(httplib::Server &server, const Page &page)
{
    server.set_pre_routing_handler([&page](const httplib::Request &req, httplib::Response &res) {
        auto refusal = refusalFor(req, page.authorization);
        if (!refusal)
            return httplib::Server::HandlerResponse::Unhandled;
        if (req.has_header("Transfer-Encoding") || (req.has_header("Content-Length") && contentLength(req) != 0u))
            replyUnread(res, refusal->status, refusal->text);
        else
            reply(res, refusal->status, refusal->text);
        for (auto &header : refusal->headers)
            res.headers.insert(std::move(header));
        return httplib::Server::HandlerResponse::Handled;
    });
    server.Get(kAnyPath,
               [&page](const httplib::Request &req, httplib::Response &res) { handleLoad(req, res, page.store); });
    server.Post(kAnyPath,
                [&page](const httplib::Request &req, httplib::Response &res, const httplib::ContentReader &reader) {
                    handleSave(req, res, reader, page);
                });
}

} // namespace MemberCommentServer
