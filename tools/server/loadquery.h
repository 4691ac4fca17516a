#pragma once

#include "sqlite.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace MemberCommentServer {

// A comment group or type.
struct Choice {
    std::int64_t id = 0;
    std::string description;
};

// A stored comment with its group and type descriptions; times in the stored form.
struct StoredComment {
    std::string description;
    std::int64_t memberId = 0;
    std::int64_t sequence = 0;
    std::int64_t group = 0;
    std::string groupDescription;
    std::int64_t type = 0;
    std::string typeDescription;
    std::string commentDate;
    std::string enteredBy;
    std::array<bool, 4> focus{}; // Center, Membership, BETA, Franchise Relations
    std::string lastUpdated;
};

// Everything one load reply carries.
struct LoadData {
    std::string userName;
    std::vector<Choice> groups;
    std::vector<Choice> types;
    std::vector<StoredComment> comments;
};

// The person's display name ("Person <id>" for a person the database does not know, so that new
// comments still name someone), all groups and types by id, the member's comments by sequence.
LoadData readLoadData(const Connection &db, std::int64_t personId, std::int64_t memberId);

} // namespace MemberCommentServer
