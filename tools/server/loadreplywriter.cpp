#include "loadreplywriter.h"

#include "dateforms.h"
#include "utf8.h"
#include "xmltext.h"

#include <algorithm>

namespace MemberCommentServer {

namespace {

void element(std::string &out, std::string_view name, std::string_view text)
{
    out += '<';
    out += name;
    out += '>';
    out += escapeXml(text);
    out += "</";
    out += name;
    out += '>';
}

void element(std::string &out, std::string_view name, std::int64_t value)
{
    element(out, name, std::to_string(value));
}

void flagElement(std::string &out, std::string_view name, bool flag)
{
    element(out, name, flag ? std::string_view("1") : std::string_view("0"));
}

void writeChoices(std::string &out, std::string_view section, std::string_view record,
                  const std::vector<Choice> &choices)
{
    out += '<';
    out += section;
    out += '>';
    for (const Choice &choice : choices) {
        out += '<';
        out += record;
        out += '>';
        element(out, "ID", choice.id);
        element(out, "Description", choice.description);
        out += "</";
        out += record;
        out += '>';
    }
    out += "</";
    out += section;
    out += '>';
}

} // namespace

std::string escapeXml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            if (c >= 0x20 || c == '\t' || c == '\n') {
                out += c;
                break;
            }
            // Saves refuse what XML cannot carry, but a database written otherwise may hold it: one
            // such character would make the whole member unreadable, so it shows as U+FFFD.
            const size_t length = xmlCharLength(text, at);
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                at += std::max<size_t>(utf8CharAt(text, at).length, 1);
            } else {
                out.append(text, at, length);
                at += length;
            }
            continue;
        }
        ++at;
    }
    return out;
}

std::string writeLoadReply(const LoadData &data)
{
    // No whitespace between elements: a reader that kept it would count it as nodes.
    std::string out = R"(<?xml version="1.0" encoding="UTF-8"?><MemberComment>)";
    element(out, "User", data.userName);
    writeChoices(out, "Groups", "Group", data.groups);
    writeChoices(out, "Types", "Type", data.types);
    out += "<Comments>";
    for (const StoredComment &c : data.comments) {
        out += "<Comment>";
        element(out, "CommentDescription", c.description);
        element(out, "MemberID", c.memberId);
        element(out, "CommentSequence", c.sequence);
        element(out, "CommentGroup", c.group);
        element(out, "GroupDescription", c.groupDescription);
        element(out, "CommentType", c.type);
        element(out, "TypeDescription", c.typeDescription);
        element(out, "CommentDate", displayForm(c.commentDate));
        element(out, "CommentEnteredBy", c.enteredBy);
        flagElement(out, "FocusCenter", c.focus[0]);
        flagElement(out, "FocusMembership", c.focus[1]);
        flagElement(out, "FocusBETA", c.focus[2]);
        element(out, "RecordLastUpdated", monthNameForm(c.lastUpdated));
        flagElement(out, "FocusFranchiseRelations", c.focus[3]);
        out += "</Comment>";
    }
    out += "</Comments></MemberComment>";
    return out;
}

} // namespace MemberCommentServer
