#pragma once

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

// Everything one load reply carries: the person's display name ("Person <id>" for a person the
// database does not know, so that new comments still name someone), all groups and types by id,
// the member's comments by sequence.
struct LoadData {
    std::string userName;
    std::vector<Choice> groups;
    std::vector<Choice> types;
    std::vector<StoredComment> comments;
};

// The queries of a load, the same in every backend's SQL but for how the one parameter is written
// (the person id, the member id).
constexpr const char *kGroupsQuery = "SELECT CommentGroupID, Description FROM CommentGroups ORDER BY CommentGroupID";
constexpr const char *kTypesQuery = "SELECT CommentTypeID, Description FROM CommentTypes ORDER BY CommentTypeID";
std::string personQuery(const char *parameter);
// Its columns are the ones storedComment reads.
std::string commentsQuery(const char *parameter);

std::string unknownPersonName(std::int64_t personId);

// One row of commentsQuery; Row has text(column) and integer(column).
template<typename Row>
StoredComment storedComment(const Row &row)
{
    StoredComment c;
    c.description = row.text(0);
    c.memberId = row.integer(1);
    c.sequence = row.integer(2);
    c.group = row.integer(3);
    c.groupDescription = row.text(4);
    c.type = row.integer(5);
    c.typeDescription = row.text(6);
    c.commentDate = row.text(7);
    c.enteredBy = row.text(8);
    c.focus = {row.integer(9) != 0, row.integer(10) != 0, row.integer(11) != 0, row.integer(13) != 0};
    c.lastUpdated = row.text(12);
    return c;
}

} // namespace MemberCommentServer
