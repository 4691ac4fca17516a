#include "control/lockablecombobox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace VynMemberComment {

namespace {

// Qt's own interface names a combo box by its current entry on Linux, which leaves a screen
// reader no way to tell the group box from the type box.
class LockableComboBoxAccessible : public QAccessibleWidget
{
public:
    explicit LockableComboBoxAccessible(LockableComboBox *box)
        : QAccessibleWidget(box, QAccessible::ComboBox)
    {
    }

    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? box()->currentText() : QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = box()->isLocked();
        return s;
    }
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (!box()->isLocked())
            names.prepend(showMenuAction());
        return names;
    }
    void doAction(const QString &name) override
    {
        if (name == showMenuAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    LockableComboBox *box() const { return static_cast<LockableComboBox *>(widget()); }
};

QAccessibleInterface *accessibleFor(const QString &className, QObject *object)
{
    if (className == QLatin1String(LockableComboBox::staticMetaObject.className()) && object->isWidgetType())
        return new LockableComboBoxAccessible(static_cast<LockableComboBox *>(object));
    return nullptr;
}

} // namespace

LockableComboBox::LockableComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(factoryInstalled);
}

void LockableComboBox::setLocked(bool locked)
{
    if (locked == m_locked)
        return;
    m_locked = locked;
    QAccessible::State changed;
    changed.readOnly = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
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
