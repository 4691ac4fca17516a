#pragma once

namespace VynMemberComment {
class MemberComment;
}

// What a host can tell of the work a person has not saved yet, from the control's public members
// and its children (found by objectName, as any host may).
namespace PendingWork {

// Rows the next save sends: the CommentSequence cell (column 2) ends in "N" for a new comment ("N"
// itself for one added here), or in "U" for a changed one.
int pendingRows(const VynMemberComment::MemberComment &control);

// True while the editor holds a comment that is not in the list yet: its button reads "Save" and
// the text box is not blank.
bool editorHoldsComment(const VynMemberComment::MemberComment &control);

// Anything a reload or a close would drop: pending rows, a comment in the editor, or the user's
// "Save" of a comment since the host last cleared IsCommentNotEmpty.
bool any(const VynMemberComment::MemberComment &control);

} // namespace PendingWork
