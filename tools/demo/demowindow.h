#pragma once

#include <QMainWindow>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace VynMemberComment {
class MemberComment;
}

// The demo host: the control under a tool bar that drives it the way a host application would.
class DemoWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit DemoWindow(const QString &serverUrl, QWidget *parent = nullptr);

    VynMemberComment::MemberComment *control() const { return m_control; }

    // Mode, then LoadData, with the tool bar's values.
    void load();
    // ReadData.
    void save();

private:
    VynMemberComment::MemberComment *m_control;
    QLineEdit *m_server;
    QSpinBox *m_member;
    QSpinBox *m_person;
    QSpinBox *m_type;
    QCheckBox *m_editMode;
};
