// The editor's look: which boxes the user may change, and whether the list is active.
#include "control/membercomment_p.h"

#include "control/colours.h"
#include "control/commentlistview.h"
#include "control/commenttextedit.h"
#include "control/lockablecombobox.h"

#include <QCheckBox>

namespace VynMemberComment {

std::array<QCheckBox *, 4> MemberCommentPrivate::focusBoxes() const
{
    return {chkBETAFocus, chkCenterFocus, chkmemberFocus, chkFranchiseRelationsFocus};
}

void MemberCommentPrivate::setTextOpen(bool open)
{
    txtComment->setReadOnly(!open);
    setBackColour(txtComment, open ? SystemColour::WindowBackground : SystemColour::ButtonFace);
}

void MemberCommentPrivate::setChoicesOpen(bool open)
{
    for (LockableComboBox *box : {cboCommentGroup, cboCommentType}) {
        box->setLocked(!open);
        setBackColour(box, open ? SystemColour::WindowBackground : SystemColour::ButtonFace);
    }
}

void MemberCommentPrivate::clearEditor(bool open)
{
    txtComment->setPlainText(QString());
    setTextOpen(open);
    for (QCheckBox *box : focusBoxes())
        box->setEnabled(open);
    for (QCheckBox *box : focusBoxes())
        box->setChecked(false);
    setChoicesOpen(open);
    cboCommentGroup->setCurrentIndex(-1);
    cboCommentType->setCurrentIndex(-1);
    setListActive(!open);
    // The editor no longer shows the selected row.
    loadedRow = QPersistentModelIndex();
}

void MemberCommentPrivate::setListActive(bool active)
{
    lstComments->setEnabled(active);
    setBackColour(lstComments, active ? SystemColour::WindowBackground : SystemColour::ButtonFace);
}

} // namespace VynMemberComment
