#include "requestchecks.h"

#include "headervalues.h"

namespace MemberCommentServer {

namespace {

constexpr std::string_view kPage = "/MemberComment.asp";
constexpr std::string_view kForm = "application/x-www-form-urlencoded";

// Compares every byte whatever the first difference, so the time taken tells nothing of the secret.
bool sameSecret(std::string_view given, std::string_view secret)
{
    if (secret.empty())
        return given.empty();
    unsigned char difference = given.size() == secret.size() ? 0 : 1;
    for (size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ secret[i % secret.size()]);
    return difference == 0;
}

// "Basic <token>" with the scheme in any case and any blanks between.
bool authorized(const httplib::Request &req, std::string_view required)
{
    const std::string given = req.get_header_value("Authorization");
    const std::string_view scheme = std::string_view(required).substr(0, required.find(' '));
    const std::string_view view = trimmed(given);
    const size_t blank = view.find(' ');
    return blank != std::string_view::npos && sameLetters(view.substr(0, blank), scheme)
        && sameSecret(trimmed(view.substr(blank)), required.substr(scheme.size() + 1));
}

Refusal refusal(int status, std::string text)
{
    return {status, std::move(text), {}};
}

} // namespace

std::optional<Refusal> refusalFor(const httplib::Request &req, std::string_view authorization)
{
    const std::string_view path = req.path;
    if (path.size() < kPage.size() || path.substr(path.size() - kPage.size()) != kPage)
        return refusal(404, "Not found: this server serves only <any path>/MemberComment.asp.");
    if (req.method != "GET" && req.method != "HEAD" && req.method != "POST") {
        Refusal r = refusal(405, "MemberComment.asp answers GET (a load) and POST (a save) only.");
        r.headers.emplace("Allow", "GET, HEAD, POST");
        return r;
    }
    if (req.has_header("Origin"))
        return refusal(403, "Refused: the request comes from a web page (it names an Origin).");
    if (!authorization.empty() && !authorized(req, authorization)) {
        Refusal r = refusal(401, "This server asks for a user name and password.");
        r.headers.emplace("WWW-Authenticate", R"(Basic realm="MemberComment.asp", charset="UTF-8")");
        return r;
    }
    const std::string type = req.get_header_value("Content-Type");
    if (req.method == "POST" && !sameLetters(trimmed(std::string_view(type).substr(0, type.find(';'))), kForm))
        return refusal(415, "Nothing was saved: send the form as application/x-www-form-urlencoded.");
    return std::nullopt;
}

std::string basicAuthorization(std::string_view credentials)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out = "Basic ";
    for (size_t i = 0; i < credentials.size(); i += 3) {
        const size_t left = credentials.size() - i;
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(credentials[i])) << 16;
        if (left > 1)
            group |= static_cast<std::uint32_t>(static_cast<unsigned char>(credentials[i + 1])) << 8;
        if (left > 2)
            group |= static_cast<unsigned char>(credentials[i + 2]);
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += left > 1 ? kDigits[(group >> 6) & 63] : '=';
        out += left > 2 ? kDigits[group & 63] : '=';
    }
    return out;
}

} // namespace MemberCommentServer
