#pragma once

class QWidget;

namespace VynMemberComment {

// The system colours the control paints its boxes and list with.
enum class SystemColour {
    WindowBackground, // a box the user may change, the active list
    ButtonFace,       // a locked box, the disabled list
    Menu,             // the combo boxes' look before the editor first runs
};

// Sets the widget's background (its palette's Base) to the named colour of the application palette.
void setBackColour(QWidget *widget, SystemColour colour);

} // namespace VynMemberComment
