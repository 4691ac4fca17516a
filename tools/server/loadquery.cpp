#include "loadquery.h"

namespace MemberCommentServer {

namespace {

std::vector<Choice> readChoices(const Connection &db, const char *sql)
{
    std::vector<Choice> choices;
    Statement query(db, sql);
    while (query.step())
        choices.push_back({query.integer(0), query.text(1)});
    return choices;
}

} // namespace

LoadData readLoadData(const Connection &db, std::int64_t personId, std::int64_t memberId)
{
    LoadData data;
    Statement person(db, "SELECT DisplayName FROM Persons WHERE PersonID = ?1");
    person.bind(1, personId);
    data.userName = person.step() ? person.text(0) : "Person " + std::to_string(personId);

    data.groups = readChoices(db, "SELECT CommentGroupID, Description FROM CommentGroups ORDER BY CommentGroupID");
    data.types = readChoices(db, "SELECT CommentTypeID, Description FROM CommentTypes ORDER BY CommentTypeID");

    Statement comments(db, R"sql(
SELECT c.CommentDescription, c.MemberID, c.CommentSequence, c.CommentGroup, g.Description, c.CommentType,
       t.Description, c.CommentDate, c.CommentEnteredBy, c.Focuscenter, c.FocusMembership, c.FocusBeta,
       c.RecordLastUpdated, c.FocusFranchiseRelations
FROM MemberDiscussionComment c
JOIN CommentGroups g ON g.CommentGroupID = c.CommentGroup
JOIN CommentTypes t ON t.CommentTypeID = c.CommentType
WHERE c.MemberID = ?1
ORDER BY c.CommentSequence)sql");
    comments.bind(1, memberId);
    while (comments.step()) {
        StoredComment c;
        c.description = comments.text(0);
        c.memberId = comments.integer(1);
        c.sequence = comments.integer(2);
        c.group = comments.integer(3);
        c.groupDescription = comments.text(4);
        c.type = comments.integer(5);
        c.typeDescription = comments.text(6);
        c.commentDate = comments.text(7);
        c.enteredBy = comments.text(8);
        c.focus = {comments.integer(9) != 0, comments.integer(10) != 0, comments.integer(11) != 0,
                   comments.integer(13) != 0};
        c.lastUpdated = comments.text(12);
        data.comments.push_back(std::move(c));
    }
    return data;
}

} // namespace MemberCommentServer
