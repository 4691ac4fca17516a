#include "pendingwork.h"

#include <VynMemberComment/MemberComment.h>

#include <QAbstractItemView>
#include <QPlainTextEdit>
#include <QPushButton>

namespace PendingWork {

namespace {
constexpr int kSequenceColumn = 2;
}

int pendingRows(const VynMemberComment::MemberComment &control)
{
    const QAbstractItemModel *rows = control.findChild<QAbstractItemView *>(QStringLiteral("lstComments"))->model();
    int pending = 0;
    for (int r = 0; r < rows->rowCount(); ++r) {
        const QString sequence = rows->index(r, kSequenceColumn).data().toString();
        if (sequence.endsWith(QLatin1Char('N')) || sequence.endsWith(QLatin1Char('U')))
            ++pending;
    }
    return pending;
}

bool editorHoldsComment(const VynMemberComment::MemberComment &control)
{
    const auto *button = control.findChild<QPushButton *>(QStringLiteral("cmdAdd"));
    const auto *text = control.findChild<QPlainTextEdit *>(QStringLiteral("txtComment"));
    return button->text() == QLatin1String("Save") && !text->toPlainText().trimmed().isEmpty();
}

bool any(const VynMemberComment::MemberComment &control)
{
    return control.IsCommentNotEmpty() || pendingRows(control) > 0 || editorHoldsComment(control);
}

} // namespace PendingWork
