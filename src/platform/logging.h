#pragma once

#include <QLoggingCategory>

namespace VynMemberComment::Platform {

// The control's log messages, under the category "vynmembercomment" (QT_LOGGING_RULES selects them).
Q_DECLARE_LOGGING_CATEGORY(lcMemberComment)

} // namespace VynMemberComment::Platform
