#pragma once

#include <VynMemberComment/MemberComment.h>

#include "platform/xmldocument.h"
#include "exchange/loadreply.h"

#include <QPersistentModelIndex>
#include <QString>

#include <array>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace VynMemberComment {

class CommentListModel;
class CommentListView;
class CommentTextEdit;
class LockableComboBox;
namespace Platform {
class HttpTransfer;
struct HttpResult;
}

// The control's state and children, and every handler of its members and children.
class MemberCommentPrivate
{
public:
    explicit MemberCommentPrivate(MemberComment *q);
    ~MemberCommentPrivate();
    static MemberCommentPrivate *get(MemberComment *control) { return control->d.get(); }

    // Building the face, initialisation and mode (membercomment.cpp, editorstate.cpp)
    void buildChildren();
    void connectHandlers();
    void initialise();
    void fitFontToCaptions();
    void EnableButtonsForMode();
    void setBusy(bool busy);
    // The four focus flags, in the order the editor enables and clears them.
    std::array<QCheckBox *, 4> focusBoxes() const;
    void setTextOpen(bool open);
    void setChoicesOpen(bool open);
    void setListActive(bool active);
    // Empties the editor: opened for a new comment, or closed and the list active again.
    void clearEditor(bool open);

    // The load reply and the save transfer (loaddata.cpp, savetransfer.cpp)
    std::optional<ReplyError> FillCommentList();
    // Posts the save's form ("SQL=" and the encoded batch) and waits, pumping events, until its
    // reply has been handled. Released: the host released the control during the wait; nothing of
    // it may be touched then.
    enum class PostOutcome { Done, NotStarted, Released };
    PostOutcome postForm(const QByteArray &form);
    void Inet1_StateChanged(const Platform::HttpResult &result);

    // The editor's first button and the save (newcomment.cpp, readdata.cpp)
    void cmdAdd_Click();
    // Adds the editor's comment as a new row, or writes it into the selected row, by mtAction.
    void writeEditorIntoList(const QString &text);

    // Edit, delete, and the list's events (editworkflow.cpp, deleteworkflow.cpp, listselection.cpp,
    // listsorting.cpp)
    void cmdEdit_Click();
    void cancelEditor();
    // Copies the selected row into the editor and notes whether every value could be shown.
    void loadSelectedRow();
    void cmdDelete_Click();
    void lstComments_Click();
    void lstComments_DblClick();
    void lstComments_KeyUp(int key);
    void lstComments_ColumnClick(int h);

    MemberComment *const q;

    // The control's fields.
    bool IsCommentNotEmpty = false;
    QString mtAction;
    qint32 mlMemberID = 0;
    bool mbMode = false;
    QString mtServerName;
    QString mtEnteredBy;
    std::unique_ptr<Platform::XmlDocument> moXMLDoc;

    // The row the editor shows, and whether its group, type and flags could all be shown.
    QPersistentModelIndex loadedRow;
    bool loadedRowComplete = false;

    // Children, owned by the control through QObject parenting.
    QFrame *fraMain = nullptr;
    CommentListView *lstComments = nullptr;
    CommentListModel *comments = nullptr;
    QLabel *Label2 = nullptr;
    LockableComboBox *cboCommentGroup = nullptr;
    QLabel *Label4 = nullptr;
    LockableComboBox *cboCommentType = nullptr;
    CommentTextEdit *txtComment = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdDelete = nullptr;
    QCheckBox *chkCenterFocus = nullptr;
    QLabel *lblCenterFocus = nullptr;
    QCheckBox *chkFranchiseRelationsFocus = nullptr;
    QLabel *lblFranchiseRelationsFocus = nullptr;
    QCheckBox *chkmemberFocus = nullptr;
    QLabel *lblVendorFocus = nullptr;
    QCheckBox *chkBETAFocus = nullptr;
    QLabel *lblFocusBilling = nullptr;
    QLabel *lblVersionNumber = nullptr;
    Platform::HttpTransfer *Inet1 = nullptr;
};

} // namespace VynMemberComment
