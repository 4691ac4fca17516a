#include "control/membercomment_p.h"

#include "control/commentlistmodel.h"
#include "control/lockablecombobox.h"
#include "exchange/serverpage.h"
#include "platform/messagebox.h"

#include <QPointer>

namespace VynMemberComment {

namespace {

constexpr const char *kErrorSource = "VynMemberComment";

// Refills a choice list; it shows no selection afterwards, as the editor's Save checks expect.
void fillChoices(QComboBox *box, const std::vector<ChoiceEntry> &entries)
{
    box->clear();
    for (const ChoiceEntry &entry : entries)
        box->addItem(entry.text, entry.id);
    box->setCurrentIndex(-1);
}

} // namespace

void MemberComment::LoadData(const QString &ptServerName, qint16 piPersonID, qint16 piType)
{
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
        fillChoices(d->cboCommentType, *entries);
}

void MemberComment::CommentGroups()
{
    if (!d->moXMLDoc)
        return;
    if (const auto entries = readChoices(*d->moXMLDoc, Section::Groups))
        fillChoices(d->cboCommentGroup, *entries);
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
