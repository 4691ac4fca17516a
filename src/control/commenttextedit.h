#pragma once

#include <QPlainTextEdit>

namespace VynMemberComment {

// The comment text box: several lines, but Enter and Return add nothing, and no more than
// kMaxLength characters can be typed or pasted. Text set by the program is taken whole.
class CommentTextEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int kMaxLength = 1000;

    explicit CommentTextEdit(QWidget *parent = nullptr);

    // What the box holds, character for character (toPlainText() turns non-breaking spaces into
    // blanks and line separators into LF); a line break between paragraphs reads as CR LF.
    QString text() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How many more characters fit, counting the selection that typing would replace.
    int room() const;
};

} // namespace VynMemberComment
