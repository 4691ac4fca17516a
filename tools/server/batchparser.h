#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace MemberCommentServer {

// Center, Membership, BETA, Franchise Relations.
using FocusFlags = std::array<bool, 4>;

// One INSERT: a new comment numbered the member's highest sequence plus offset.
struct NewComment {
    std::string description;
    std::int64_t offset = 0;
    std::int32_t group = 0;
    std::int32_t type = 0;
    std::string enteredBy;
    FocusFlags focus{};
};

// One UPDATE of the stored comment with the given sequence number.
struct ChangedComment {
    std::int64_t sequence = 0;
    std::string description;
    std::int32_t group = 0;
    std::int32_t type = 0;
    FocusFlags focus{};
};

using CommentStatement = std::variant<NewComment, ChangedComment>;

// A batch as the control writes it: one member, its statements in order.
struct CommentBatch {
    std::int32_t memberId = 0;
    std::vector<CommentStatement> statements;
};

// A parsed batch, or why it was refused (error not empty).
struct BatchParse {
    CommentBatch batch;
    std::string error;
};

// Parses a save batch that must consist of exactly the control's statements: at most one header
// first, then INSERTs (numbered 1, 2, 3 ... after the header) and UPDATEs, all for one member.
// Every text must be one XML can carry, of at most 65,536 characters.
BatchParse parseBatch(std::string_view sql);

} // namespace MemberCommentServer
