#include "demodata.h"

namespace MemberCommentServer {

const char *const kDemoDataSql = R"sql(
INSERT INTO Members VALUES (1001, 'Demo Member'), (1002, 'Second Demo Member') ON CONFLICT DO NOTHING;
INSERT INTO Persons VALUES (7, 'Demo Clerk'), (8, 'Pat O''Hara') ON CONFLICT DO NOTHING;
INSERT INTO CommentGroups VALUES (1, 'General'), (2, 'Billing'), (3, 'Membership'), (4, 'Franchise')
  ON CONFLICT DO NOTHING;
INSERT INTO CommentTypes VALUES (1, 'Phone call'), (2, 'E-mail'), (3, 'Letter'), (4, 'Visit'), (5, 'Note')
  ON CONFLICT DO NOTHING;
INSERT INTO MemberDiscussionComment (MemberID, CommentSequence, CommentDescription, CommentGroup, CommentType,
  CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta, RecordLastUpdated, FocusFranchiseRelations)
VALUES
  (1001, 1, 'Welcome call: member asked about the renewal date.', 3, 1,
   '2010-08-05 15:04:09', 'Demo Clerk', 0, 1, 0, '2010-08-05 15:04:09', 0),
  (1001, 2, 'Invoice 4711 & late fee <waived> once.', 2, 2,
   '2011-01-17 09:30:00', 'Demo Clerk', 1, 0, 0, '2011-02-01 12:30:45', 0),
  (1001, 3, 'Visited the store; franchise agreement "draft 2" handed over.', 4, 4,
   '2012-11-30 00:15:00', 'Pat O''Hara', 1, 0, 1, '2012-12-03 10:00:00', 1),
  (1001, 4, 'Asked to be called back after 5 pm.', 1, 5,
   '2013-03-02 17:45:00', 'Demo Clerk', 0, 0, 0, '2013-03-02 17:45:00', 0),
  (1002, 1, 'Second member: nothing to report.', 1, 5,
   '2014-06-10 08:05:00', 'Demo Clerk', 0, 0, 0, '2014-06-10 08:05:00', 0)
  ON CONFLICT DO NOTHING;
)sql";

} // namespace MemberCommentServer
