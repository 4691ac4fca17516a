#pragma once

#include <VynMemberComment/MemberComment.h>

#include <QString>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace VynMemberComment {

class CommentListModel;
class CommentListView;
class CommentTextEdit;
class LockableComboBox;

// The control's state and children. The handlers of each subsystem are defined in that
// subsystem's folder; this class only ties them together.
class MemberCommentPrivate
{
public:
    explicit MemberCommentPrivate(MemberComment *q);

    // control/: building the face, initialisation and mode
    void buildChildren();
    void initialise();
    void EnableButtonsForMode();
    void setBusy(bool busy);

    MemberComment *const q;

    // The control's fields.
    bool IsCommentNotEmpty = false;
    QString mtAction;
    qint32 mlMemberID = 0;
    bool mbMode = false;
    QString mtServerName;
    QString mtEnteredBy;

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
};

} // namespace VynMemberComment
