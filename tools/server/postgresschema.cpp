#include "postgresschema.h"

namespace MemberCommentServer {

// Texts must hold more than blanks: the load reply cannot carry an empty field. Times are local to
// the database's time zone; flags 0 or 1, as on the wire.
void createPostgresSchema(PgConnection &db)
{
    // Two servers creating the same table at once would collide in the catalog: one waits.
    db.execute(R"sql(
BEGIN;
SELECT pg_advisory_xact_lock(hashtext('membercomment-server schema'));
CREATE TABLE IF NOT EXISTS Members (
  MemberID integer PRIMARY KEY,
  MemberName text NOT NULL CHECK (btrim(MemberName, E' \t\n\r') <> '')
);
CREATE TABLE IF NOT EXISTS Persons (
  PersonID integer PRIMARY KEY,
  DisplayName text NOT NULL CHECK (btrim(DisplayName, E' \t\n\r') <> '')
);
CREATE TABLE IF NOT EXISTS CommentGroups (
  CommentGroupID integer PRIMARY KEY,
  Description text NOT NULL CHECK (btrim(Description, E' \t\n\r') <> '')
);
CREATE TABLE IF NOT EXISTS CommentTypes (
  CommentTypeID integer PRIMARY KEY,
  Description text NOT NULL CHECK (btrim(Description, E' \t\n\r') <> '')
);
CREATE TABLE IF NOT EXISTS MemberDiscussionComment (
  MemberID integer NOT NULL REFERENCES Members (MemberID),
  CommentSequence bigint NOT NULL,
  CommentDescription text NOT NULL CHECK (btrim(CommentDescription, E' \t\n\r') <> ''),
  CommentGroup integer NOT NULL REFERENCES CommentGroups (CommentGroupID),
  CommentType integer NOT NULL REFERENCES CommentTypes (CommentTypeID),
  CommentDate timestamp(0) NOT NULL,
  CommentEnteredBy text NOT NULL CHECK (btrim(CommentEnteredBy, E' \t\n\r') <> ''),
  Focuscenter smallint NOT NULL CHECK (Focuscenter IN (0, 1)),
  FocusMembership smallint NOT NULL CHECK (FocusMembership IN (0, 1)),
  FocusBeta smallint NOT NULL CHECK (FocusBeta IN (0, 1)),
  RecordLastUpdated timestamp(0) NOT NULL,
  FocusFranchiseRelations smallint NOT NULL CHECK (FocusFranchiseRelations IN (0, 1)),
  PRIMARY KEY (MemberID, CommentSequence)
);
COMMIT;
)sql");
}

} // namespace MemberCommentServer
