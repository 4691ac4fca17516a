#pragma once

#include <QComboBox>

namespace VynMemberComment {

// A drop-down list that can be locked: it still shows its entry and takes the focus, but the user
// cannot change the selection by mouse, key or wheel. The program still can. Screen readers hear
// the box's own name whatever entry is chosen, the entry as its value, and a read-only state while
// it is locked.
class LockableComboBox : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(bool locked READ isLocked WRITE setLocked)
public:
    explicit LockableComboBox(QWidget *parent = nullptr);

    bool isLocked() const { return m_locked; }
    void setLocked(bool locked);

    void showPopup() override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool m_locked = false;
};

} // namespace VynMemberComment
