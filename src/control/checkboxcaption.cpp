#include "control/checkboxcaption.h"

#include <QAbstractButton>
#include <QMouseEvent>

namespace VynMemberComment {

void CheckBoxCaption::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    auto *box = qobject_cast<QAbstractButton *>(buddy());
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()) || !box || !box->isEnabled())
        return;
    box->setFocus(Qt::MouseFocusReason);
    box->click();
}

} // namespace VynMemberComment
