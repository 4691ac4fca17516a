#pragma once

// Answers the application-modal message boxes that code under test shows with exec(), from a
// timer that polls QApplication::activeModalWidget(), and records what each box said.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <vector>

struct SeenBox {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

class MessageBoxes
{
public:
    // Answers every box shown while this object lives by pressing `press` (the box's default
    // button when it has no such button).
    explicit MessageBoxes(QMessageBox::StandardButton press = QMessageBox::Ok)
        : m_press(press)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    // Runs while a box is up, before it is answered (for instance to release the control).
    void whileShown(std::function<void()> action) { m_whileShown = std::move(action); }

    const std::vector<SeenBox> &seen() const { return m_seen; }
    bool noneShown() const { return m_seen.empty(); }

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == m_answered)
            return;
        m_answered = box;
        m_seen.push_back({box->text(), box->windowTitle(), box->icon(), box->standardButtons()});
        if (m_whileShown)
            m_whileShown();
        if (!m_answered)
            return;
        QAbstractButton *button = box->button(m_press);
        if (!button)
            button = box->defaultButton();
        if (button)
            button->click();
        else
            box->reject();
    }

    QTimer m_timer;
    QMessageBox::StandardButton m_press;
    QPointer<QMessageBox> m_answered;
    std::function<void()> m_whileShown;
    std::vector<SeenBox> m_seen;
};

// Runs action, pressing `button` on the first box it shows; returns that box (an empty record
// when none was shown).
inline SeenBox pressOnNextBox(QMessageBox::StandardButton button, const std::function<void()> &action)
{
    MessageBoxes boxes(button);
    action();
    return boxes.noneShown() ? SeenBox{} : boxes.seen().front();
}

// Runs action, answering every box it shows with OK; returns how many were shown.
inline int countBoxes(const std::function<void()> &action)
{
    MessageBoxes boxes;
    action();
    return int(boxes.seen().size());
}
