// Selecting a row shows it in the editor; the arrow keys and a double-click follow suit.
#include "control/membercomment_p.h"

#include "control/commentlistmodel.h"
#include "control/commentlistview.h"
#include "control/commenttextedit.h"
#include "control/lockablecombobox.h"
#include "rows/rowmarker.h"
#include "rows/truthvalue.h"

#include <QCheckBox>
#include <QPushButton>

namespace VynMemberComment {

namespace {
// Selects the entry showing exactly this text; no selection when none does.
bool selectByText(QComboBox *box, QStringView text)
{
    const int index = box->findText(text.toString(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(index);
    return index >= 0;
}

// An unreadable flag shows unchecked rather than keeping the previous row's value.
bool setFlag(QCheckBox *box, QStringView text)
{
    const std::optional<bool> value = readTruthValue(text);
    box->setChecked(value.value_or(false));
    return value.has_value();
}
} // namespace

void MemberCommentPrivate::loadSelectedRow()
{
    const int position = lstComments->selectedRow();
    if (position < 0)
        return;
    const CommentRow &row = comments->row(position);
    txtComment->setPlainText(row.cell(Column::Description).toString());
    bool complete = selectByText(cboCommentGroup, row.cell(Column::GroupDescription));
    complete &= selectByText(cboCommentType, row.cell(Column::TypeDescription));
    complete &= setFlag(chkCenterFocus, row.cell(Column::FocusCenter));
    complete &= setFlag(chkmemberFocus, row.cell(Column::FocusMembership));
    complete &= setFlag(chkBETAFocus, row.cell(Column::FocusBETA));
    complete &= setFlag(chkFranchiseRelationsFocus, row.cell(Column::FocusFranchiseRelations));
    loadedRow = comments->index(position, 0);
    loadedRowComplete = complete;
}

void MemberCommentPrivate::lstComments_Click()
{
    if (comments->rowCount() == 0 || lstComments->selectedRow() < 0)
        return;
    loadSelectedRow();
    if (!mbMode)
        return;
    const int position = lstComments->selectedRow();
    cmdDelete->setEnabled(isNewRow(comments->row(position).cell(Column::CommentSequence)));
    // A row the editor cannot show in full must not be opened: saving it would write made-up values.
    cmdEdit->setEnabled(loadedRowComplete);
}

void MemberCommentPrivate::lstComments_KeyUp(int key)
{
    if (key == Qt::Key_Up || key == Qt::Key_Down)
        lstComments_Click();
}

void MemberCommentPrivate::lstComments_DblClick()
{
    // In read-only mode no enabled button could save or cancel an opened row.
    if (mbMode)
        cmdEdit_Click();
}

} // namespace VynMemberComment
