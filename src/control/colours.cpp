#include "control/colours.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace VynMemberComment {

namespace {
QPalette::ColorRole roleOf(SystemColour colour)
{
    switch (colour) {
    case SystemColour::WindowBackground:
        return QPalette::Base;
    case SystemColour::ButtonFace:
        return QPalette::Button;
    case SystemColour::Menu:
        return QPalette::Window;
    }
    return QPalette::Base;
}
} // namespace

void setBackColour(QWidget *widget, SystemColour colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(roleOf(colour)));
    widget->setPalette(palette);
}

} // namespace VynMemberComment
