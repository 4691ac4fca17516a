#include "schema.h"

namespace MemberCommentServer {

// Texts must hold more than blanks: the load reply cannot carry an empty field. Times are local,
// "yyyy-mm-dd HH:MM:SS".
void createSchema(Connection &db)
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

void seedDemoData(Connection &db)
{
    db.execute("BEGIN IMMEDIATE");
    try {
        db.execute(R"sql(
INSERT OR IGNORE INTO Members VALUES (1001, 'Demo Member'), (1002, 'Second Demo Member');
INSERT OR IGNORE INTO Persons VALUES (7, 'Demo Clerk'), (8, 'Pat O''Hara');
INSERT OR IGNORE INTO CommentGroups VALUES
  (1, 'General'), (2, 'Billing'), (3, 'Membership'), (4, 'Franchise');
INSERT OR IGNORE INTO CommentTypes VALUES
  (1, 'Phone call'), (2, 'E-mail'), (3, 'Letter'), (4, 'Visit'), (5, 'Note');
INSERT OR IGNORE INTO MemberDiscussionComment VALUES
  (1001, 1, 'Welcome call: member asked about the renewal date.', 3, 1,
   '2010-08-05 15:04:09', 'Demo Clerk', 0, 1, 0, '2010-08-05 15:04:09', 0),
  (1001, 2, 'Invoice 4711 & late fee <waived> once.', 2, 2,
   '2011-01-17 09:30:00', 'Demo Clerk', 1, 0, 0, '2011-02-01 12:30:45', 0),
  (1001, 3, 'Visited the store; franchise agreement "draft 2" handed over.', 4, 4,
   '2012-11-30 00:15:00', 'Pat O''Hara', 1, 0, 1, '2012-12-03 10:00:00', 1),
  (1001, 4, 'Asked to be called back after 5 pm.', 1, 5,
   '2013-03-02 17:45:00', 'Demo Clerk', 0, 0, 0, '2013-03-02 17:45:00', 0),
  (1002, 1, 'Second member: nothing to report.', 1, 5,
   '2014-06-10 08:05:00', 'Demo Clerk', 0, 0, 0, '2014-06-10 08:05:00', 0);
)sql");
        db.execute("COMMIT");
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace MemberCommentServer
