#include "control/commenttextedit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

namespace VynMemberComment {

CommentTextEdit::CommentTextEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
}

QString CommentTextEdit::text() const
{
    return document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
}

int CommentTextEdit::room() const
{
    const QTextCursor c = textCursor();
    const int length = document()->characterCount() - 1; // the document counts a final paragraph mark
    return kMaxLength - length + (c.selectionEnd() - c.selectionStart());
}

void CommentTextEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool inserts = !typed.isEmpty() && typed.at(0).isPrint() && !isReadOnly()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (inserts && typed.size() > room()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CommentTextEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (event->commitString().size() > room()) {
        QInputMethodEvent trimmed(event->preeditString(), event->attributes());
        trimmed.setCommitString(event->commitString().left(qMax(0, room())), event->replacementStart(),
                                event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&trimmed);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void CommentTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText() || isReadOnly())
        return;
    const QString text = source->text();
    const int fits = qMax(0, room());
    if (fits > 0)
        insertPlainText(text.left(fits));
}

} // namespace VynMemberComment
