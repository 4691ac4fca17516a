#pragma once

#include <QString>

#include <optional>

namespace VynMemberComment {

// The two requests to the server page, under the server name the host gives LoadData. Their
// addresses are built as text and handed over unchanged: nothing is encoded, no slash added or
// removed.

// The load's GET.
QString loadUrl(const QString &serverName, qint16 personId, qint16 type, qint32 memberId);

// The save's POST, whose body is the form of the save batch (see savebatch.h) of this type.
QString saveUrl(const QString &serverName);
inline constexpr char kSaveContentType[] = "application/x-www-form-urlencoded";

// What the user sees of the save's reply: nothing when it is blank, otherwise the reply, cut as
// the list cuts a long text (shownPrefix) to at most 16 Ki characters and an ellipsis (a box lays out its whole text at once: megabytes
// of reply would freeze the window for minutes).
std::optional<QString> shownSaveReply(const QString &reply);

} // namespace VynMemberComment
