#pragma once

#include <VynMemberComment/MemberComment.h>

#include "platform/xmldocument.h"

#include <QString>

#include <memory>
#include <optional>

class QFrame;

namespace VynMemberComment {

class CommentEditor;
class CommentListModel;
class CommentListView;
class SaveExchange;
struct ReplyError;

// The control's state, its children, and the handlers of its members and the list's events. The
// editor and the save exchange are classes of their own.
class MemberCommentPrivate
{
public:
    explicit MemberCommentPrivate(MemberComment *q);
    ~MemberCommentPrivate();
    static MemberCommentPrivate *get(MemberComment *control) { return control->d.get(); }

    // Building the face (membercomment.cpp): every signal is wired in connectHandlers.
    void buildChildren();
    void connectHandlers();
    void initialise();
    void fitFontToCaptions();
    void setBusy(bool busy);

    // The load (loaddata.cpp): fills the list from the reply held, and releases the reply once
    // it has been read without an error.
    std::optional<ReplyError> FillCommentList();

    // The list's events (listevents.cpp).
    void lstComments_Click();
    void lstComments_DblClick();
    void lstComments_KeyUp(int key);
    void lstComments_ColumnClick(int h);

    MemberComment *const q;

    // The control's fields.
    qint32 mlMemberID = 0;
    bool mbMode = false;
    QString mtServerName;
    QString mtEnteredBy;
    std::unique_ptr<Platform::XmlDocument> moXMLDoc;

    // Children, owned by the control through QObject parenting. The editor holds its own children.
    QFrame *fraMain = nullptr;
    CommentListView *lstComments = nullptr;
    CommentListModel *comments = nullptr;
    std::unique_ptr<CommentEditor> editor;
    SaveExchange *Inet1 = nullptr;
};

} // namespace VynMemberComment
