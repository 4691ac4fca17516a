#pragma once

// Reaches the private side of a control, for tests of internal entry points and fields.

#include "control/membercomment_p.h"

inline VynMemberComment::MemberCommentPrivate *dOf(VynMemberComment::MemberComment *control)
{
    return VynMemberComment::MemberCommentPrivate::get(control);
}
