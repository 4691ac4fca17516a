// The load: one GET of the server page's reply, read into the list, the choices and the user's name.
#include "control/membercomment_p.h"

#include "control/commenteditor.h"
#include "control/commentlistmodel.h"
#include "exchange/loadreply.h"
#include "exchange/serverpage.h"
#include "platform/messagebox.h"

#include <QPointer>

namespace VynMemberComment {

namespace {
constexpr const char *kErrorSource = "VynMemberComment";
} // namespace

void MemberComment::LoadData(const QString &ptServerName, qint16 piPersonID, qint16 piType)
{
    // Whatever the fetch brings, the rows the editor may show or hold are about to go.
    d->editor->returnToIdle();
    d->setBusy(true);
    d->mtServerName = ptServerName;
    d->moXMLDoc.reset();

    const QString url = loadUrl(ptServerName, piPersonID, piType, d->mlMemberID);
    // The wait runs timers and network events; the host may release the control meanwhile.
    QPointer<MemberComment> alive(this);
    std::unique_ptr<Platform::XmlDocument> doc = fetchLoadReply(url);
    if (!alive)
        return;
    d->moXMLDoc = std::move(doc);

    CommentTypes();
    CommentGroups();
    if (const std::optional<ReplyError> error = d->FillCommentList()) {
        d->setBusy(false);
        Platform::messageBox(QStringLiteral("ErrorNumber=%1\r\nErrorDescription=%2\r\nErrorSource=%3\r\n")
                                 .arg(error->number)
                                 .arg(error->description, QLatin1String(kErrorSource)),
                             Platform::OkCritical, QStringLiteral("ERROR"));
        return;
    }
    d->comments->sortBy(Column::CommentSequence, CommentListModel::Descending);
    d->setBusy(false);
}

void MemberComment::CommentTypes()
{
    if (!d->moXMLDoc)
        return;
    const std::optional<QString> userName = readUserName(*d->moXMLDoc);
    if (!userName)
        return;
    d->mtEnteredBy = *userName;
    if (const auto entries = readChoices(*d->moXMLDoc, Section::Types))
        d->editor->fillTypes(*entries);
}

void MemberComment::CommentGroups()
{
    if (!d->moXMLDoc)
        return;
    if (const auto entries = readChoices(*d->moXMLDoc, Section::Groups))
        d->editor->fillGroups(*entries);
}

std::optional<ReplyError> MemberCommentPrivate::FillCommentList()
{
    comments->clear();
    if (!moXMLDoc)
        return ReplyError{ReplyErrorNumber::NoDocumentElement, QStringLiteral("No load reply is held")};
    CommentReadResult result = readComments(*moXMLDoc, comments->columnCount());
    comments->appendRows(std::move(result.rows));
    if (result.error)
        return result.error;
    moXMLDoc.reset();
    return std::nullopt;
}

} // namespace VynMemberComment
