// "New Comment" opens the editor for a new comment; "Save" writes the editor into the list.
#include "control/membercomment_p.h"

#include "control/commentlistmodel.h"
#include "control/commentlistview.h"
#include "control/commenttextedit.h"
#include "control/lockablecombobox.h"
#include "platform/dateforms.h"
#include "platform/messagebox.h"
#include "rows/blank.h"
#include "rows/rowmarker.h"

#include <QCheckBox>
#include <QPushButton>

namespace VynMemberComment {

namespace {
QString flag(const QCheckBox *box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

void MemberCommentPrivate::cmdAdd_Click()
{
    if (cmdAdd->text() == QLatin1String("New Comment")) {
        mtAction = QStringLiteral("Add");
        cmdAdd->setText(QStringLiteral("Save"));
        cmdEdit->setText(QStringLiteral("Cancel"));
        cmdEdit->setEnabled(true);
        cmdDelete->setEnabled(false);
        clearEditor(true);
        txtComment->setFocus();
        return;
    }

    const QString text = txtComment->toPlainText();
    if (!isBlank(text))
        IsCommentNotEmpty = true;
    if (cboCommentGroup->currentIndex() == -1) {
        Platform::messageBox(QStringLiteral("Please select your comment group"), Platform::OkOnly);
        cboCommentGroup->setFocus();
        return;
    }
    if (cboCommentType->currentIndex() == -1) {
        Platform::messageBox(QStringLiteral("Please select your comment type"), Platform::OkOnly);
        cboCommentType->setFocus();
        return;
    }
    if (isBlank(text)) {
        Platform::messageBox(QStringLiteral("Please enter your comment"), Platform::OkOnly);
        txtComment->setFocus();
        return;
    }

    cmdAdd->setText(QStringLiteral("New Comment"));
    cmdEdit->setText(QStringLiteral("Edit"));
    cmdEdit->setEnabled(false);
    cmdAdd->setFocus();
    writeEditorIntoList(text);

    mtAction.clear();
    txtComment->setPlainText(QString());
    setTextOpen(false);
    for (QCheckBox *box : focusBoxes())
        box->setEnabled(false);
    setChoicesOpen(false);
    setListActive(true);
    // The editor now shows what was saved, not the selected row.
    loadedRow = QPersistentModelIndex();
}

void MemberCommentPrivate::writeEditorIntoList(const QString &text)
{
    const Platform::CivilTime moment = Platform::now();
    auto writeChoicesAndFlags = [&](CommentRow &row) {
        row.setCell(Column::CommentGroup, QString::number(cboCommentGroup->currentData().toInt()));
        row.setCell(Column::GroupDescription, cboCommentGroup->currentText());
        row.setCell(Column::CommentType, QString::number(cboCommentType->currentData().toInt()));
        row.setCell(Column::TypeDescription, cboCommentType->currentText());
        row.setCell(Column::FocusCenter, flag(chkCenterFocus));
        row.setCell(Column::FocusMembership, flag(chkmemberFocus));
        row.setCell(Column::FocusBETA, flag(chkBETAFocus));
        row.setCell(Column::RecordLastUpdated, Platform::monthNameForm(moment));
        row.setCell(Column::FocusFranchiseRelations, flag(chkFranchiseRelationsFocus));
    };

    if (mtAction == QLatin1String("Add")) {
        CommentRow row(text);
        row.setCell(Column::MemberID, QString::number(mlMemberID));
        row.setCell(Column::CommentSequence, QStringLiteral("N"));
        row.setCell(Column::CommentDate, Platform::displayForm(moment));
        row.setCell(Column::EnteredBy, mtEnteredBy);
        writeChoicesAndFlags(row);
        comments->insertSorted(std::move(row));
    } else if (mtAction == QLatin1String("Edit")) {
        const int position = lstComments->selectedRow();
        if (position < 0)
            return;
        CommentRow row = comments->row(position);
        row.setCell(Column::Description, text);
        writeChoicesAndFlags(row);
        row.setCell(Column::CommentSequence, markedChanged(row.cell(Column::CommentSequence)));
        comments->replaceRow(position, std::move(row));
    }
}

} // namespace VynMemberComment
