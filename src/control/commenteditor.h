#pragma once

#include "exchange/loadreply.h"

#include <QPersistentModelIndex>
#include <QString>

#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace VynMemberComment {

class CommentListModel;
class CommentListView;
class CommentTextEdit;
class LockableComboBox;
struct EnteredComment;

// The editor's children, built and placed by the control.
struct EditorWidgets {
    CommentTextEdit *text = nullptr;   // txtComment
    LockableComboBox *group = nullptr; // cboCommentGroup
    LockableComboBox *type = nullptr;  // cboCommentType
    QCheckBox *center = nullptr;       // chkCenterFocus
    QCheckBox *franchise = nullptr;    // chkFranchiseRelationsFocus
    QCheckBox *membership = nullptr;   // chkmemberFocus
    QCheckBox *beta = nullptr;         // chkBETAFocus
    QPushButton *add = nullptr;        // cmdAdd: "New Comment", or "Save" while the editor is open
    QPushButton *edit = nullptr;       // cmdEdit: "Edit", or "Cancel" while the editor is open
    QPushButton *remove = nullptr;     // cmdDelete
};

// The editor below the comment list: it shows the selected row, opens a new comment or the
// selected row, and writes what the user entered into the list, where it stays, marked, until
// the next save.
class CommentEditor
{
public:
    CommentEditor(const EditorWidgets &widgets, CommentListView *list);

    const EditorWidgets &widgets() const { return m_w; }

    // Refills a choice list; it shows no selection afterwards, as Save's checks expect.
    void fillGroups(const std::vector<ChoiceEntry> &entries);
    void fillTypes(const std::vector<ChoiceEntry> &entries);

    // The buttons while no row is chosen: New Comment and Edit when the user may edit, no Delete.
    void enableForMode(bool mayEdit);

    // "New Comment" opens the editor for a new comment; "Save" checks the editor and writes it
    // into the list: a new row for the member, entered by the user, or the row opened by Edit.
    void addOrSave(qint32 memberId, const QString &enteredBy);
    // "Edit" opens the selected row; "Cancel" drops whatever the editor holds.
    void editOrCancel();
    // Back to idle as Cancel leaves it, with no Delete: a new list has no row chosen. The focus stays
    // where it is.
    void returnToIdle();
    // "Delete" takes the selected row out of the list once the user confirms.
    void deleteSelected();

    // Shows the selected row, and notes whether it may be opened.
    void loadSelectedRow();
    // After the user chose a row in edit mode: Delete for a row added since the load, Edit for a
    // row shown in full (saving one that is not would write made-up values) that a save can address.
    void offerSelectedRow();

    // True once Save was pressed with a non-blank text; only the host clears it.
    bool commentNotEmpty() const { return m_commentNotEmpty; }
    void setCommentNotEmpty(bool value) { m_commentNotEmpty = value; }

private:
    enum class Action { None, Add, Edit };
    // Where reset() leaves the editor: idle, or open for a new comment.
    enum class Next { Idle, NewComment };
    // Whether the choices and flags are cleared or keep what was just saved in view.
    enum class Choices { Clear, Keep };

    // Empties the text and sets the buttons, the boxes and the list for what comes next; the one
    // way back to idle, after Save, Cancel and a load, and the start of a new comment. The caller
    // moves the focus.
    void reset(Next next, Choices choices);
    void setTextOpen(bool open);
    void setChoicesOpen(bool open);
    void setListActive(bool active);
    // The four flags, in the order they are enabled and cleared.
    std::array<QCheckBox *, 4> flags() const;
    EnteredComment entered() const;
    // Adds the entered comment as a new row, or writes it into the selected row, by m_action.
    void writeIntoList(qint32 memberId, const QString &enteredBy);

    const EditorWidgets m_w;
    CommentListView *const m_list;
    CommentListModel *const m_rows;
    Action m_action = Action::None;
    // The row the editor shows, and whether it may be opened: its group, type and flags could all
    // be shown, and a save can address it.
    QPersistentModelIndex m_loadedRow;
    bool m_loadedRowOpenable = false;
    bool m_commentNotEmpty = false;
};

} // namespace VynMemberComment
