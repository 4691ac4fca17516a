#pragma once

class QAccessibleInterface;
class QObject;
class QString;

namespace VynMemberComment {

// A QAccessible factory for the comment list. Assistive technology sees the table of the columns
// the list shows, in their visual order; the hidden columns stay in the model for hosts but are
// never offered as part of the table.
QAccessibleInterface *accessibleCommentList(const QString &className, QObject *object);

} // namespace VynMemberComment
