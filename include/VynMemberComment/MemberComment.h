#pragma once

#include <VynMemberComment/vynmembercomment_export.h>

#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>

namespace VynMemberComment {

class MemberCommentPrivate;

/*!
 * Shows and maintains the discussion comments recorded against one member.
 *
 * The host tells the control which member to work on (Mode), has it fetch the member's comments,
 * the comment groups and types and the user's name from the server page (LoadData), lets the user
 * add and change comments in the editor, and finally writes every pending change in one request
 * (ReadData). Pending changes live only in the rows of the comment list until ReadData sends them.
 */
class VYNMEMBERCOMMENT_EXPORT MemberComment : public QWidget
{
    Q_OBJECT
    Q_CLASSINFO("ClassID", "{198D7217-D4DE-4F1C-9653-67FA935BBF2E}")
    Q_CLASSINFO("InterfaceID", "{560E874F-A2C1-4BBE-A8A0-77D3F672EF24}")
    Q_CLASSINFO("EventsID", "{9D0307FA-E2D7-4A3B-9161-AE791DAC51E6}")
    Q_CLASSINFO("TypeLibraryID", "{BEAC0251-DDBF-11D3-B8F3-0008C7B328E7}")
    Q_CLASSINFO("Version", "2.0.7")
    /*!
     * True once the user has pressed "Save" with a non-blank comment text. The control only ever
     * sets it; the host clears it by writing false.
     */
    Q_PROPERTY(bool IsCommentNotEmpty READ IsCommentNotEmpty WRITE setIsCommentNotEmpty)

public:
    explicit MemberComment(QWidget *parent = nullptr);
    ~MemberComment() override;

    /*!
     * Writes every new and changed comment row to the server page in one POST and waits for it,
     * keeping the user interface responsive; the server's reply is shown in a message box. Sends
     * nothing when no row is pending. Failures are shown in a box ("Error Occoured"); the rows keep
     * their pending marks so the save can be repeated. Always returns an empty string.
     */
    Q_INVOKABLE QString ReadData();

    /*!
     * Returns \a theData form-URL-encoded in the system code page: a blank becomes "+", letters,
     * digits and "*-._" pass, everything else becomes "%" and upper-case hexadecimal digits.
     */
    Q_INVOKABLE QString urlEncode(const QString &theData) const;

    /*!
     * Stores the member to work on and whether the user may add and edit comments, and enables the
     * buttons to match. Changes nothing else; call LoadData afterwards to show the member's comments.
     * Returns an invalid QVariant.
     */
    Q_INVOKABLE QVariant Mode(bool bMode = false, qint32 plMemberID = 0);

    /*!
     * Fetches the member's comments, the comment groups and types and the user's name from
     * \a ptServerName + "/MemberComment.asp" in one GET and shows them, newest first. User input
     * is held back while it waits. A failed fetch or an unreadable reply is shown in an "ERROR" box.
     */
    Q_INVOKABLE void LoadData(const QString &ptServerName, qint16 piPersonID, qint16 piType);

    /*!
     * Refills the comment type list and the user's name from the reply of the last LoadData, if
     * that reply is still held (it is released once the comment list has been filled). Never fails.
     */
    Q_INVOKABLE void CommentTypes();

    /*!
     * Refills the comment group list from the reply of the last LoadData, if that reply is still
     * held. Never fails.
     */
    Q_INVOKABLE void CommentGroups();

    bool IsCommentNotEmpty() const;
    void setIsCommentNotEmpty(bool value);

    QSize sizeHint() const override;

private:
    friend class MemberCommentPrivate;
    std::unique_ptr<MemberCommentPrivate> const d;
};

} // namespace VynMemberComment
