#include "logline.h"

#include "utf8.h"

#include <algorithm>

namespace MemberCommentServer {

namespace {

constexpr size_t kShownReply = 200;

void appendByte(std::string &out, unsigned char byte)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

} // namespace

std::string printable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const Utf8Char c = utf8CharAt(text, at);
        if (c.length == 0 || c.code < 0x20 || (c.code >= 0x7F && c.code <= 0x9F)) {
            for (size_t i = 0; i < std::max<size_t>(c.length, 1); ++i)
                appendByte(out, static_cast<unsigned char>(text[at + i]));
            at += std::max<size_t>(c.length, 1);
            continue;
        }
        if (c.code == '\\')
            out += '\\';
        out.append(text, at, c.length);
        at += c.length;
    }
    return out;
}

std::string logLine(std::string_view now, const httplib::Request &req, const httplib::Response &res)
{
    std::string reply;
    if (res.get_header_value("Content-Type").rfind("text/plain", 0) == 0) {
        size_t end = std::min(res.body.size(), kShownReply);
        while (end < res.body.size() && end > 0 && (static_cast<unsigned char>(res.body[end]) & 0xC0) == 0x80)
            --end; // not inside a character
        reply = printable(std::string_view(res.body).substr(0, end));
    } else {
        reply = std::to_string(res.body.size()) + " bytes";
    }
    std::string line(now);
    for (const std::string *field : {&req.remote_addr, &req.method, &req.target})
        line += " " + printable(*field);
    return line + " " + std::to_string(res.status) + " " + reply;
}

} // namespace MemberCommentServer
