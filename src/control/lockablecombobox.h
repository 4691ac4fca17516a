#pragma once

#include <QComboBox>

namespace VynMemberComment {

// A drop-down list that can be locked: it still shows its entry and takes the focus, but the user
// cannot change the selection by mouse, key or wheel. The program still can.
class LockableComboBox : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(bool locked READ isLocked WRITE setLocked)
public:
    explicit LockableComboBox(QWidget *parent = nullptr);

    bool isLocked() const { return m_locked; }
    void setLocked(bool locked) { m_locked = locked; }

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
