#include "routes.h"

#include "batchparser.h"
#include "formdecoding.h"
#include "loadreplywriter.h"

#include <httplib.h>
#include <sqlite3.h>

#include <optional>

namespace MemberCommentServer {

namespace {

constexpr const char *kPagePattern = R"(.*/MemberComment\.asp)";
constexpr const char *kText = "text/plain; charset=utf-8";

void reply(httplib::Response &res, int status, const std::string &text)
{
    res.status = status;
    res.set_content(text, kText);
}

// One query value as a whole number in [low, high]: plain decimal digits with an optional "-".
std::optional<std::int64_t> queryNumber(const httplib::Request &req, const char *key, std::int64_t low, std::int64_t high)
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
    static constexpr Key kKeys[] = {{"Type", -32768, 32767}, {"PersonID", -32768, 32767},
                                    {"MemberID", -2147483648LL, 2147483647LL}};
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
        res.set_content(writeLoadReply(store.load(values[1], values[2])), "text/xml; charset=utf-8");
    } catch (const SqliteError &e) {
        reply(res, 500, std::string("The database failed: ") + e.what());
    }
}

void handleSave(const httplib::Request &req, httplib::Response &res, const httplib::ContentReader &reader,
                CommentStore &store, const CodePageConverter &codePage)
{
    if (req.is_multipart_form_data())
        return reply(res, 415, "Send the form as application/x-www-form-urlencoded.");
    // Read through the content reader: the library's own body reading refuses form bodies over 8 KiB.
    std::string body;
    bool tooLarge = false;
    const bool read = reader([&](const char *data, size_t length) {
        if (body.size() + length > kMaxRequestBody) {
            tooLarge = true;
            return false;
        }
        body.append(data, length);
        return true;
    });
    if (tooLarge || res.status == 413)
        return reply(res, 413, "Nothing was saved: the request is larger than 16 MiB.");
    if (!read)
        return reply(res, 400, "Nothing was saved: the request body could not be read.");

    const auto fields = decodeForm(body, codePage);
    if (!fields)
        return reply(res, 400, "Nothing was saved: the form is not form-URL-encoded text in " + codePage.name() + ".");
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
    if (!parse.error.empty())
        return reply(res, 422, "Nothing was saved: " + parse.error);
    try {
        const SaveOutcome outcome = store.save(parse.batch);
        if (!outcome.saved)
            return reply(res, 422, "Nothing was saved: " + outcome.reason);
        reply(res, 200, "Saved " + std::to_string(outcome.added) + " new and " + std::to_string(outcome.changed)
                            + " changed comment(s).");
    } catch (const SqliteError &e) {
        if ((e.code() & 0xFF) == SQLITE_BUSY)
            return reply(res, 503, "Nothing was saved: the database is busy; please save again.");
        reply(res, 500, std::string("Nothing was saved: the database failed: ") + e.what());
    }
}

} // namespace

void installRoutes(httplib::Server &server, CommentStore &store, const CodePageConverter &codePage)
{
    server.Get(kPagePattern, [&store](const httplib::Request &req, httplib::Response &res) {
        handleLoad(req, res, store);
    });
    server.Post(kPagePattern, [&store, &codePage](const httplib::Request &req, httplib::Response &res,
                                                  const httplib::ContentReader &reader) {
        handleSave(req, res, reader, store, codePage);
    });
}

} // namespace MemberCommentServer
