#include "loadquery.h"

namespace MemberCommentServer {

std::string personQuery(const char *parameter)
{
    return std::string("SELECT DisplayName FROM Persons WHERE PersonID = ") + parameter;
}

std::string commentsQuery(const char *parameter)
{
    return std::string(R"sql(
SELECT c.CommentDescription, c.MemberID, c.CommentSequence, c.CommentGroup, g.Description, c.CommentType,
       t.Description, c.CommentDate, c.CommentEnteredBy, c.Focuscenter, c.FocusMembership, c.FocusBeta,
       c.RecordLastUpdated, c.FocusFranchiseRelations
FROM MemberDiscussionComment c
JOIN CommentGroups g ON g.CommentGroupID = c.CommentGroup
JOIN CommentTypes t ON t.CommentTypeID = c.CommentType
WHERE c.MemberID = )sql")
        + parameter + " ORDER BY c.CommentSequence";
}

std::string unknownPersonName(std::int64_t personId)
{
    return "Person " + std::to_string(personId);
}

} // namespace MemberCommentServer
