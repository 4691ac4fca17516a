#include "sqliteschema.h"

namespace MemberCommentServer {

// Texts must hold more than blanks: the load reply cannot carry an empty field. Times are local,
// "yyyy-mm-dd HH:MM:SS".
void createSqliteSchema(Connection &db)
{
    db.execute(R"sql(
CREATE TABLE IF NOT EXISTS Members (
  MemberID INTEGER PRIMARY KEY,
  MemberName TEXT NOT NULL CHECK (trim(MemberName, ' ' || char(9, 10, 13)) <> '')
);
CREATE TABLE IF NOT EXISTS Persons (
  PersonID INTEGER PRIMARY KEY,
  DisplayName TEXT NOT NULL CHECK (trim(DisplayName, ' ' || char(9, 10, 13)) <> '')
);
CREATE TABLE IF NOT EXISTS CommentGroups (
  CommentGroupID INTEGER PRIMARY KEY,
  Description TEXT NOT NULL CHECK (trim(Description, ' ' || char(9, 10, 13)) <> '')
);
CREATE TABLE IF NOT EXISTS CommentTypes (
  CommentTypeID INTEGER PRIMARY KEY,
  Description TEXT NOT NULL CHECK (trim(Description, ' ' || char(9, 10, 13)) <> '')
);
CREATE TABLE IF NOT EXISTS MemberDiscussionComment (
  MemberID INTEGER NOT NULL REFERENCES Members (MemberID),
  CommentSequence INTEGER NOT NULL,
  CommentDescription TEXT NOT NULL CHECK (trim(CommentDescription, ' ' || char(9, 10, 13)) <> ''),
  CommentGroup INTEGER NOT NULL REFERENCES CommentGroups (CommentGroupID),
  CommentType INTEGER NOT NULL REFERENCES CommentTypes (CommentTypeID),
  CommentDate TEXT NOT NULL
    CHECK (CommentDate GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
  CommentEnteredBy TEXT NOT NULL CHECK (trim(CommentEnteredBy, ' ' || char(9, 10, 13)) <> ''),
  Focuscenter INTEGER NOT NULL CHECK (Focuscenter IN (0, 1)),
  FocusMembership INTEGER NOT NULL CHECK (FocusMembership IN (0, 1)),
  FocusBeta INTEGER NOT NULL CHECK (FocusBeta IN (0, 1)),
  RecordLastUpdated TEXT NOT NULL
    CHECK (RecordLastUpdated GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
  FocusFranchiseRelations INTEGER NOT NULL CHECK (FocusFranchiseRelations IN (0, 1)),
  PRIMARY KEY (MemberID, CommentSequence)
);
)sql");
}

} // namespace MemberCommentServer
