#include "control/commenteditor.h"

#include "control/colours.h"
#include "control/commentlistmodel.h"
#include "control/commentlistview.h"
#include "control/commenttextedit.h"
#include "control/lockablecombobox.h"
#include "platform/dateforms.h"
#include "platform/messagebox.h"
#include "rows/blank.h"
#include "rows/enteredcomment.h"
#include "rows/rowmarker.h"
#include "rows/truthvalue.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>

namespace VynMemberComment {

namespace {

void fillChoices(QComboBox *box, const std::vector<ChoiceEntry> &entries)
{
    box->clear();
    for (const ChoiceEntry &entry : entries)
        box->addItem(entry.text, entry.id);
    box->setCurrentIndex(-1);
}

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

CommentEditor::CommentEditor(const EditorWidgets &widgets, CommentListView *list)
    : m_w(widgets)
    , m_list(list)
    , m_rows(list->comments())
{
}

void CommentEditor::fillGroups(const std::vector<ChoiceEntry> &entries)
{
    fillChoices(m_w.group, entries);
}

void CommentEditor::fillTypes(const std::vector<ChoiceEntry> &entries)
{
    fillChoices(m_w.type, entries);
}

void CommentEditor::enableForMode(bool mayEdit)
{
    m_w.add->setEnabled(mayEdit);
    m_w.edit->setEnabled(mayEdit);
    m_w.remove->setEnabled(false);
}

void CommentEditor::addOrSave(qint32 memberId, const QString &enteredBy)
{
    if (m_w.add->text() == QLatin1String("New Comment")) {
        reset(Next::NewComment, Choices::Clear);
        m_w.text->setFocus();
        return;
    }

    const bool blank = isBlank(m_w.text->text());
    if (!blank)
        m_commentNotEmpty = true;
    // Each box waits with events running: the host may release the control, and this editor and
    // its children with it, before the focus goes to the box to correct.
    auto refuse = [](const QString &message, QWidget *toCorrect) {
        QPointer<QWidget> alive(toCorrect);
        Platform::messageBox(message, Platform::OkOnly);
        if (alive)
            alive->setFocus();
    };
    if (m_w.group->currentIndex() == -1)
        return refuse(QStringLiteral("Please select your comment group"), m_w.group);
    if (m_w.type->currentIndex() == -1)
        return refuse(QStringLiteral("Please select your comment type"), m_w.type);
    if (blank)
        return refuse(QStringLiteral("Please enter your comment"), m_w.text);
    writeIntoList(memberId, enteredBy);
    // The choices and flags keep what was saved in view; the editor no longer shows the selected row.
    reset(Next::Idle, Choices::Keep);
    m_w.add->setFocus();
}

void CommentEditor::editOrCancel()
{
    if (m_w.edit->text() == QLatin1String("Cancel")) {
        reset(Next::Idle, Choices::Clear);
        m_w.add->setFocus();
        return;
    }

    const int position = m_list->selectedRow();
    if (position < 0)
        return;
    // The selection may have moved without loading the editor (Page Down, Home, End): the
    // editor must never hold another row's values when this row is opened.
    if (m_loadedRow != QPersistentModelIndex(m_rows->index(position, 0)))
        loadSelectedRow();
    if (!m_loadedRowOpenable)
        return;
    const CommentRow &row = m_rows->row(position);
    if (row.cell(Column::Description).isEmpty())
        return;

    m_action = Action::Edit;
    m_w.add->setText(QStringLiteral("Save"));
    m_w.edit->setText(QStringLiteral("Cancel"));
    m_w.remove->setEnabled(false);
    for (QCheckBox *box : flags())
        box->setEnabled(true);
    setListActive(false);
    if (isNewRow(row.cell(Column::CommentSequence))) {
        setChoicesOpen(true);
        m_w.text->setPlainText(row.cell(Column::Description).toString());
        setTextOpen(true);
        m_w.text->setFocus();
    }
}

void CommentEditor::returnToIdle()
{
    reset(Next::Idle, Choices::Clear);
    m_w.remove->setEnabled(false);
}

void CommentEditor::deleteSelected()
{
    // The box waits with events running: the host may release the control, and this editor and
    // its children with it.
    QPointer<QPushButton> alive(m_w.remove);
    const int answer = Platform::messageBox(QStringLiteral("Do you want to delete the selected comment"),
                                            Platform::YesNoQuestion, QStringLiteral("Member Comments"));
    if (!alive || answer != Platform::PressedYes)
        return;
    if (!m_rows->removeAt(m_list->selectedRow()))
        return;
    m_w.remove->setEnabled(false);
    m_w.edit->setEnabled(false);
    m_w.text->setPlainText(QString());
    m_w.add->setFocus();
}

void CommentEditor::loadSelectedRow()
{
    const int position = m_list->selectedRow();
    if (position < 0)
        return;
    const CommentRow &row = m_rows->row(position);
    m_w.text->setPlainText(row.cell(Column::Description).toString());
    bool complete = selectByText(m_w.group, row.cell(Column::GroupDescription));
    complete &= selectByText(m_w.type, row.cell(Column::TypeDescription));
    complete &= setFlag(m_w.center, row.cell(Column::FocusCenter));
    complete &= setFlag(m_w.membership, row.cell(Column::FocusMembership));
    complete &= setFlag(m_w.beta, row.cell(Column::FocusBETA));
    complete &= setFlag(m_w.franchise, row.cell(Column::FocusFranchiseRelations));
    m_loadedRow = m_rows->index(position, 0);
    m_loadedRowOpenable = complete && isAddressable(row.cell(Column::CommentSequence));
}

void CommentEditor::offerSelectedRow()
{
    const int position = m_list->selectedRow();
    m_w.remove->setEnabled(isNewRow(m_rows->row(position).cell(Column::CommentSequence)));
    m_w.edit->setEnabled(m_loadedRowOpenable);
}

void CommentEditor::reset(Next next, Choices choices)
{
    const bool open = next == Next::NewComment;
    m_action = open ? Action::Add : Action::None;
    m_w.add->setText(open ? QStringLiteral("Save") : QStringLiteral("New Comment"));
    m_w.edit->setText(open ? QStringLiteral("Cancel") : QStringLiteral("Edit"));
    m_w.edit->setEnabled(open);
    if (open)
        m_w.remove->setEnabled(false);

    m_w.text->setPlainText(QString());
    setTextOpen(open);
    for (QCheckBox *box : flags())
        box->setEnabled(open);
    if (choices == Choices::Clear) {
        for (QCheckBox *box : flags())
            box->setChecked(false);
        m_w.group->setCurrentIndex(-1);
        m_w.type->setCurrentIndex(-1);
    }
    setChoicesOpen(open);
    setListActive(!open);
    m_loadedRow = QPersistentModelIndex();
}

void CommentEditor::setTextOpen(bool open)
{
    m_w.text->setReadOnly(!open);
    setBackColour(m_w.text, open ? SystemColour::WindowBackground : SystemColour::ButtonFace);
}

void CommentEditor::setChoicesOpen(bool open)
{
    for (LockableComboBox *box : {m_w.group, m_w.type}) {
        box->setLocked(!open);
        setBackColour(box, open ? SystemColour::WindowBackground : SystemColour::ButtonFace);
    }
}

void CommentEditor::setListActive(bool active)
{
    m_list->setEnabled(active);
    setBackColour(m_list, active ? SystemColour::WindowBackground : SystemColour::ButtonFace);
}

std::array<QCheckBox *, 4> CommentEditor::flags() const
{
    return {m_w.beta, m_w.center, m_w.membership, m_w.franchise};
}

EnteredComment CommentEditor::entered() const
{
    EnteredComment comment;
    comment.text = m_w.text->text();
    comment.group = m_w.group->currentData().toInt();
    comment.groupText = m_w.group->currentText();
    comment.type = m_w.type->currentData().toInt();
    comment.typeText = m_w.type->currentText();
    comment.center = m_w.center->isChecked();
    comment.membership = m_w.membership->isChecked();
    comment.beta = m_w.beta->isChecked();
    comment.franchise = m_w.franchise->isChecked();
    return comment;
}

void CommentEditor::writeIntoList(qint32 memberId, const QString &enteredBy)
{
    const Platform::CivilTime moment = Platform::now();
    if (m_action == Action::Add) {
        m_rows->insertSorted(newCommentRow(entered(), memberId, enteredBy, moment));
    } else if (m_action == Action::Edit) {
        const int position = m_list->selectedRow();
        if (position < 0)
            return;
        CommentRow row = m_rows->row(position);
        writeIntoRow(row, entered(), moment);
        m_rows->replaceRow(position, std::move(row));
    }
}

} // namespace VynMemberComment
