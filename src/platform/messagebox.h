#pragma once

#include <QString>

namespace VynMemberComment::Platform {

// Button-and-icon codes of a message box.
enum MessageStyle : int {
    OkOnly = 0,
    OkCritical = 16,
    YesNoQuestion = 36, // Yes is the default button
    OkInformation = 64,
};

// What the user pressed.
enum MessageResult : int {
    PressedOk = 1,
    PressedYes = 6,
    PressedNo = 7,
};

// The title of a box that has none of its own.
inline constexpr const char *kDefaultTitle = "VynMemberComment";

// Shows an application-modal box and waits for it; an unknown style shows an OK button only.
int messageBox(const QString &text, int style, const QString &title = QString::fromLatin1(kDefaultTitle));

} // namespace VynMemberComment::Platform
