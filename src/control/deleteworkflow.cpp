// "Delete" takes the selected row out of the list after the user confirms.
#include "control/membercomment_p.h"

#include "control/commentlistmodel.h"
#include "control/commentlistview.h"
#include "control/commenttextedit.h"
#include "platform/messagebox.h"

#include <QPointer>
#include <QPushButton>

namespace VynMemberComment {

void MemberCommentPrivate::cmdDelete_Click()
{
    QPointer<MemberComment> alive(q);
    const int answer = Platform::messageBox(QStringLiteral("Do you want to delete the selected comment"),
                                            Platform::YesNoQuestion, QStringLiteral("Member Comments"));
    if (!alive || answer != Platform::PressedYes)
        return;
    if (!comments->removeAt(lstComments->selectedRow()))
        return;
    cmdDelete->setEnabled(false);
    cmdEdit->setEnabled(false);
    txtComment->setPlainText(QString());
    cmdAdd->setFocus();
}

} // namespace VynMemberComment
