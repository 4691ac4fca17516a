#include "platform/logging.h"

namespace VynMemberComment::Platform {

Q_LOGGING_CATEGORY(lcMemberComment, "vynmembercomment")

} // namespace VynMemberComment::Platform
