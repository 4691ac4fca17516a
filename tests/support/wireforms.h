#pragma once

// The batch text the control posts and the server page reads, written out once for every test:
// the statements as the control spells them (spacing and capitals included) and the form around
// them. Texts and names are passed as SQL literals, quotes and all; focus flags are four digits in
// the order center, membership, beta, franchise relations. And the form encoding by its rule.

#include "exchange/urlencode.h"
#include "platform/codepage.h"

#include <string>
#include <vector>

namespace WireForms {

// 'text' with every quote doubled, as the control writes a text.
inline std::string literal(std::string text)
{
    for (std::size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 2))
        text.insert(at, 1, '\'');
    return "'" + text + "'";
}

inline std::string header(const std::string &member)
{
    return "Declare @MaxID  int select @MaxId = (Select Max(CommentSequence) From MemberDiscussionComment where "
           "MemberID ="
        + member + ")  Set @MaxId = ISNull(@MaxID,0) ";
}

inline std::string insert(const std::string &member, const std::string &text, const std::string &offset,
                          const std::string &group = "2", const std::string &type = "5",
                          const std::string &by = "'clerk1'", const char (&focus)[5] = "1001")
{
    return "INSERT INTO MemberDiscussionComment (MemberID,CommentDescription ,CommentSequence,CommentGroup , "
           "CommentType, CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta,RecordLastUpdated, "
           "FocusFranchiseRelations) VALUES ("
        + member + " ," + text + ",@MAXID+" + offset + "," + group + "," + type + ",GETDATE()," + by + "," + focus[0]
        + "," + focus[1] + "," + focus[2] + ",GETDATE()," + focus[3] + ");";
}

inline std::string update(const std::string &member, const std::string &text, const std::string &sequence,
                          const std::string &group = "3", const std::string &type = "4",
                          const char (&focus)[5] = "0100")
{
    return "UPDATE MemberDiscussionComment  SET CommentDescription = " + text + ", CommentGroup = " + group
        + ", CommentType = " + type + ", Focuscenter = " + focus[0] + ", FocusMembership = " + focus[1]
        + ", FocusBeta = " + focus[2] + ", FocusFranchiseRelations = " + focus[3]
        + ", RecordLastUpdated = GETDATE() WHERE MemberID = " + member + " AND CommentSequence = " + sequence + ";";
}

// The two worked examples for member 1234: a new comment by clerk1, and comment 7 changed.
inline const std::string kNewComment = insert("1234", "'Don''t call back'", "1");
inline const std::string kChangedComment = update("1234", "'Paid in full'", "7");
inline const std::string kBothComments = header("1234") + kNewComment + kChangedComment;

// The form body of a save: the batch encoded in the code page.
inline std::string formBody(const std::string &batch, int codePage = 1252)
{
    return "SQL=" + VynMemberComment::urlEncode(QString::fromStdString(batch), codePage).toStdString();
}

// The encoding as its rule says, one unit at a time, for the fast encoder to be held against:
// letters, digits and "*-._" pass, a blank is "+", any other unit is "%" and its code in the code
// page in upper-case hexadecimal (two digits, four for a double-byte code).
inline std::string encodedByRule(QStringView text, int codePage)
{
    std::vector<std::uint16_t> codes;
    VynMemberComment::Platform::toCodePage(text, codePage, codes);
    std::string out;
    for (const std::uint16_t code : codes) {
        if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') || code == '*'
            || code == '-' || code == '.' || code == '_')
            out += char(code);
        else if (code == ' ')
            out += '+';
        else
            out += QStringLiteral("%%1").arg(code, code > 0xFF ? 4 : 2, 16, QLatin1Char('0')).toUpper().toStdString();
    }
    return out;
}

} // namespace WireForms
