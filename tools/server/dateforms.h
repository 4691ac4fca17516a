#pragma once

#include <string>
#include <string_view>

namespace MemberCommentServer {

// The server's local time now, in the stored form "2010-08-05 15:04:09".
std::string storedNow();

// A stored time in the control's display form "8/5/2010 03:04PM"; the stored text itself when it
// is not in the stored form.
std::string displayForm(std::string_view stored);

// A stored time in the month-name form "Aug 05 2010 03:04PM"; the stored text itself when it is
// not in the stored form.
std::string monthNameForm(std::string_view stored);

} // namespace MemberCommentServer
