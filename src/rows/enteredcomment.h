#pragma once

#include "platform/dateforms.h"
#include "rows/commentrow.h"

#include <QString>

namespace VynMemberComment {

// What the user entered in the editor for one comment.
struct EnteredComment {
    QString text;
    qint32 group = 0;
    QString groupText;
    qint32 type = 0;
    QString typeText;
    bool center = false;
    bool membership = false;
    bool beta = false;
    bool franchise = false;
};

// A new row for the comment, marked new and dated at the moment, for the member and by the user.
CommentRow newCommentRow(const EnteredComment &comment, qint32 memberId, const QString &enteredBy,
                         const Platform::CivilTime &moment);

// Writes the comment into a row opened for editing, marked changed (a new row stays new), with its
// last update at the moment. Only a new row takes the comment's text; a loaded row keeps its own.
void writeIntoRow(CommentRow &row, const EnteredComment &comment, const Platform::CivilTime &moment);

} // namespace VynMemberComment
