// "Edit" opens the selected row in the editor; "Cancel" drops whatever the editor holds.
#include "control/membercomment_p.h"

#include "control/commentlistmodel.h"
#include "control/commentlistview.h"
#include "control/commenttextedit.h"
#include "control/lockablecombobox.h"
#include "rows/rowmarker.h"

#include <QCheckBox>
#include <QPushButton>

namespace VynMemberComment {

void MemberCommentPrivate::cmdEdit_Click()
{
    if (cmdEdit->text() == QLatin1String("Cancel")) {
        cancelEditor();
        return;
    }

    const int position = lstComments->selectedRow();
    if (position < 0)
        return;
    // The selection may have moved without loading the editor (Page Down, Home, End): the
    // editor must never hold another row's values when this row is opened.
    if (loadedRow != QPersistentModelIndex(comments->index(position, 0)))
        loadSelectedRow();
    if (!loadedRowComplete)
        return;
    const CommentRow &row = comments->row(position);
    if (row.cell(Column::Description).isEmpty())
        return;

    mtAction = QStringLiteral("Edit");
    cmdAdd->setText(QStringLiteral("Save"));
    cmdEdit->setText(QStringLiteral("Cancel"));
    cmdDelete->setEnabled(false);
    for (QCheckBox *box : focusBoxes())
        box->setEnabled(true);
    setListActive(false);
    if (isNewRow(row.cell(Column::CommentSequence))) {
        setChoicesOpen(true);
        txtComment->setPlainText(row.cell(Column::Description).toString());
        setTextOpen(true);
        txtComment->setFocus();
    }
}

void MemberCommentPrivate::cancelEditor()
{
    mtAction.clear();
    cmdAdd->setText(QStringLiteral("New Comment"));
    cmdEdit->setText(QStringLiteral("Edit"));
    cmdEdit->setEnabled(false);
    clearEditor(false);
    cmdAdd->setFocus();
}

} // namespace VynMemberComment
