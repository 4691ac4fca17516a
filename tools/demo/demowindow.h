#pragma once

#include <QMainWindow>

#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace VynMemberComment {
class MemberComment;
}

// The demo host: the control under a bar of host fields, driven the way a host application should
// drive it. A save is followed by a reload, so the rows show what the server stored and a second
// save sends nothing twice; a load or a close that would drop unsaved work asks first.
class DemoWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit DemoWindow(const QString &serverUrl, QWidget *parent = nullptr);

    VynMemberComment::MemberComment *control() const { return m_control; }

    // Load (F5): Mode, then LoadData with the bar's values, once unsaved work is settled.
    // False when the user cancelled or a save before it failed.
    bool load();
    // Save (Ctrl+S): ReadData, then a reload of the member shown. False when not everything
    // reached the server; the rows then stay pending.
    bool save();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // What was loaded last: a reload after a save must not pick up the bar's unapplied edits.
    struct Loaded {
        QString server;
        qint32 member = 0;
        qint16 person = 0;
        qint16 type = 0;
        bool editable = false;
    };

    enum class SaveResult { NothingPending, Saved, Failed };

    // Puts a comment still in the editor into the list, then sends every pending row.
    SaveResult saveAll();
    // Asks "Save changes?" when there is unsaved work; true when the caller may go on.
    bool settleUnsavedWork();
    void reload();
    void setBusy(bool busy);

    VynMemberComment::MemberComment *m_control;
    QLineEdit *m_server;
    QSpinBox *m_member;
    QSpinBox *m_person;
    QSpinBox *m_type;
    QCheckBox *m_editMode;
    QPushButton *m_loadButton;
    QPushButton *m_saveButton;
    std::optional<Loaded> m_loaded;
    bool m_busy = false;
};
