#include "batchparser.h"

#include "xmltext.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace MemberCommentServer {

namespace {

constexpr std::string_view kHeaderStart =
    "Declare @MaxID  int select @MaxId = (Select Max(CommentSequence) From MemberDiscussionComment where MemberID =";
constexpr std::string_view kHeaderEnd = ")  Set @MaxId = ISNull(@MaxID,0) ";
constexpr std::string_view kInsertStart =
    "INSERT INTO MemberDiscussionComment (MemberID,CommentDescription ,CommentSequence,CommentGroup , CommentType, "
    "CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta,RecordLastUpdated, "
    "FocusFranchiseRelations) VALUES (";
constexpr std::string_view kUpdateStart = "UPDATE MemberDiscussionComment  SET CommentDescription = ";
constexpr std::string_view kMemberIdRequired = "MEMBER_ID_REQUIRED";
// The longest text stored, in characters: a longer one would only slow every list that shows it.
constexpr size_t kMaxTextLength = 65536;

// Thrown inside the parser; parseBatch turns it into the refusal text.
struct Refusal {
    std::string reason;
};

bool isBlank(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

class Parser
{
public:
    explicit Parser(std::string_view sql)
        : m_sql(sql)
    {
    }

    CommentBatch run()
    {
        if (m_sql.empty())
            throw Refusal{"the batch is empty."};
        bool header = false;
        std::int64_t nextOffset = 1;
        while (m_pos < m_sql.size()) {
            ++m_number;
            if (take(kHeaderStart)) {
                m_kind = "the header";
                if (m_number != 1)
                    throw Refusal{statement() + " repeats the header, which may only stand first."};
                member();
                expect(kHeaderEnd);
                header = true;
            } else if (take(kInsertStart)) {
                m_kind = "an INSERT";
                if (!header)
                    throw Refusal{
                        statement()
                        + " is an INSERT without the header that reads the member's highest sequence number."};
                m_batch.statements.emplace_back(insert(nextOffset));
                ++nextOffset;
            } else if (take(kUpdateStart)) {
                m_kind = "an UPDATE";
                m_batch.statements.emplace_back(update());
            } else {
                throw Refusal{"statement " + std::to_string(m_number) + " is not a comment INSERT or UPDATE: \""
                              + excerpt() + "\"."};
            }
        }
        if (m_batch.statements.empty())
            throw Refusal{"the batch holds no INSERT or UPDATE."};
        return std::move(m_batch);
    }

private:
    NewComment insert(std::int64_t expectedOffset)
    {
        NewComment c;
        member();
        expect(" ,");
        c.description = description();
        expect(",@MAXID+");
        c.offset = integer(1, std::numeric_limits<std::int32_t>::max());
        if (c.offset != expectedOffset)
            throw Refusal{statement() + " numbers its new comment @MAXID+" + std::to_string(c.offset) + " where @MAXID+"
                          + std::to_string(expectedOffset) + " belongs."};
        expect(",");
        c.group = id();
        expect(",");
        c.type = id();
        expect(",GETDATE(),");
        c.enteredBy = text("Comment Entered By");
        if (isBlank(c.enteredBy))
            throw Refusal{statement() + " names no one in Comment Entered By."};
        expect(",");
        c.focus[0] = flag();
        expect(",");
        c.focus[1] = flag();
        expect(",");
        c.focus[2] = flag();
        expect(",GETDATE(),");
        c.focus[3] = flag();
        expect(");");
        return c;
    }

    ChangedComment update()
    {
        ChangedComment c;
        c.description = description();
        expect(", CommentGroup = ");
        c.group = id();
        expect(", CommentType = ");
        c.type = id();
        expect(", Focuscenter = ");
        c.focus[0] = flag();
        expect(", FocusMembership = ");
        c.focus[1] = flag();
        expect(", FocusBeta = ");
        c.focus[2] = flag();
        expect(", FocusFranchiseRelations = ");
        c.focus[3] = flag();
        expect(", RecordLastUpdated = GETDATE() WHERE MemberID = ");
        member();
        expect(" AND CommentSequence = ");
        c.sequence =
            integer(std::numeric_limits<std::int64_t>::min() / 10, std::numeric_limits<std::int64_t>::max() / 10);
        expect(";");
        return c;
    }

    // The member id, the same throughout the batch.
    void member()
    {
        if (take(kMemberIdRequired))
            throw Refusal{"no member was chosen: the batch names " + std::string(kMemberIdRequired)
                          + " in place of a member id."};
        const auto memberId = static_cast<std::int32_t>(
            integer(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
        if (!m_memberSeen) {
            m_batch.memberId = memberId;
            m_memberSeen = true;
        } else if (memberId != m_batch.memberId) {
            throw Refusal{statement() + " names member " + std::to_string(memberId) + ", but the batch is for member "
                          + std::to_string(m_batch.memberId) + "."};
        }
    }

    std::int32_t id()
    {
        return static_cast<std::int32_t>(
            integer(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    }

    bool flag()
    {
        if (take("1"))
            return true;
        if (take("0"))
            return false;
        malformed("0 or 1");
    }

    std::string description()
    {
        std::string value = text("comment text");
        if (isBlank(value))
            throw Refusal{statement() + " has no comment text."};
        return value;
    }

    // An SQL string literal: single quotes around the text, a quote inside written twice. `field`
    // names it in a refusal.
    std::string text(const char *field)
    {
        const size_t start = m_pos;
        if (!take("'"))
            malformed("a text in single quotes");
        // The closing quote first, so that a text of megabytes is made at its final size at once.
        size_t end = m_pos;
        size_t doubled = 0;
        for (;; end += 2, ++doubled) {
            end = m_sql.find('\'', end);
            if (end == std::string_view::npos) {
                m_pos = start;
                malformed("a text in single quotes");
            }
            if (m_sql.substr(end + 1, 1) != "'")
                break;
        }
        std::string value;
        value.reserve(end - m_pos - doubled);
        while (true) {
            const size_t quote = m_sql.find('\'', m_pos);
            value.append(m_sql.substr(m_pos, quote - m_pos));
            m_pos = quote + 1;
            if (quote == end)
                break;
            value += '\'';
            ++m_pos;
        }
        // The load reply could never carry it again.
        if (!isXmlText(value))
            throw Refusal{statement()
                          + " holds a character that XML cannot carry (a control character, U+FFFE, "
                            "U+FFFF or no well-formed UTF-8), which cannot be stored."};
        if (value.size() > kMaxTextLength) {
            // Well-formed UTF-8 by now: every byte but a continuation byte starts a character.
            const auto length = static_cast<size_t>(std::count_if(
                value.begin(), value.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
            if (length > kMaxTextLength)
                throw Refusal{statement() + " has a " + field + " of " + std::to_string(length)
                              + " characters; at most " + std::to_string(kMaxTextLength) + " can be stored."};
        }
        return value;
    }

    // A decimal integer with an optional minus sign, within [low, high].
    std::int64_t integer(std::int64_t low, std::int64_t high)
    {
        const size_t start = m_pos;
        const bool negative = take("-");
        std::int64_t value = 0;
        size_t digits = 0;
        while (m_pos < m_sql.size() && m_sql[m_pos] >= '0' && m_sql[m_pos] <= '9') {
            if (value > (std::numeric_limits<std::int64_t>::max() - 9) / 10) {
                m_pos = start;
                malformed("a whole number in range");
            }
            value = value * 10 + (m_sql[m_pos] - '0');
            ++m_pos;
            ++digits;
        }
        if (negative)
            value = -value;
        if (digits == 0 || value < low || value > high) {
            m_pos = start;
            malformed("a whole number in range");
        }
        return value;
    }

    bool take(std::string_view piece)
    {
        if (m_sql.substr(m_pos, piece.size()) != piece)
            return false;
        m_pos += piece.size();
        return true;
    }

    void expect(std::string_view piece)
    {
        if (!take(piece))
            malformed("\"" + std::string(piece) + "\"");
    }

    [[noreturn]] void malformed(const std::string &expected) const
    {
        throw Refusal{statement() + " is malformed: expected " + expected + " at \"" + excerpt() + "\"."};
    }

    std::string statement() const { return "statement " + std::to_string(m_number) + " (" + m_kind + ")"; }

    // A short, printable piece of the text from the current position, cut at a character boundary.
    std::string excerpt() const
    {
        constexpr size_t kLength = 40;
        size_t end = std::min(m_sql.size(), m_pos + kLength);
        while (end < m_sql.size() && end > m_pos && (static_cast<unsigned char>(m_sql[end]) & 0xC0) == 0x80)
            --end;
        std::string piece(m_sql.substr(m_pos, end - m_pos));
        for (char &c : piece) {
            if (static_cast<unsigned char>(c) < 0x20)
                c = ' ';
        }
        return end < m_sql.size() ? piece + "..." : piece;
    }

    std::string_view m_sql;
    size_t m_pos = 0;
    int m_number = 0;
    std::string m_kind;
    bool m_memberSeen = false;
    CommentBatch m_batch;
};

} // namespace

BatchParse parseBatch(std::string_view sql)
{
    try {
        return {Parser(sql).run(), {}};
    } catch (const Refusal &refusal) {
        return {{}, refusal.reason};
    }
}

} // namespace MemberCommentServer
