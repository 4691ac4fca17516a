#include "control/lockablecombobox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace VynMemberComment {

LockableComboBox::LockableComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
}

void LockableComboBox::showPopup()
{
    if (!m_locked)
        QComboBox::showPopup();
}

void LockableComboBox::mousePressEvent(QMouseEvent *event)
{
    if (m_locked) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QComboBox::mousePressEvent(event);
}

void LockableComboBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_locked) {
        event->accept();
        return;
    }
    QComboBox::mouseReleaseEvent(event);
}

void LockableComboBox::keyPressEvent(QKeyEvent *event)
{
    if (m_locked) {
        // Let focus navigation and shortcuts reach the parent; swallow everything that selects.
        event->ignore();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void LockableComboBox::wheelEvent(QWheelEvent *event)
{
    if (m_locked) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

} // namespace VynMemberComment
