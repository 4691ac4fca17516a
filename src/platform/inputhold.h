#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace VynMemberComment::Platform {

// While it lives, the application shows the busy pointer over every window and takes no user
// input: mouse, key, wheel, touch and shortcut events are discarded, never delivered later, while
// painting, timers and network events run on. A modal box opened meanwhile still takes its input.
class InputHold : public QObject
{
public:
    InputHold();
    ~InputHold() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_modalBefore;
    bool m_cursorSet = false;
};

} // namespace VynMemberComment::Platform
