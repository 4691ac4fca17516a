#pragma once

#include "platform/codepage.h"

#include <QString>
#include <QStringView>

namespace VynMemberComment {

// Form-URL-encodes text in the given code page ("+" for a blank, "%XX" otherwise, "%XXXX" for a
// double-byte character; letters, digits and "*-._" pass).
QString urlEncode(QStringView text, Platform::CodePage codePage);

} // namespace VynMemberComment
