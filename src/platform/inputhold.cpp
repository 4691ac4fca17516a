#include "platform/inputhold.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace VynMemberComment::Platform {

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::NativeGesture:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

} // namespace

InputHold::InputHold()
    : m_modalBefore(QApplication::activeModalWidget())
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursorSet = true;
    }
}

InputHold::~InputHold()
{
    if (m_cursorSet)
        QGuiApplication::restoreOverrideCursor();
}

bool InputHold::eventFilter(QObject *watched, QEvent *event)
{
    if (!isUserInput(event->type()))
        return QObject::eventFilter(watched, event);
    // A box shown during the wait (a save's reply, say) must be answerable; its modality keeps the
    // input from every other window.
    QWidget *modal = QApplication::activeModalWidget();
    return !modal || modal == m_modalBefore;
}

} // namespace VynMemberComment::Platform
