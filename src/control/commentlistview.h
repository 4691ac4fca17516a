#pragma once

#include <QTreeView>

namespace VynMemberComment {

class CommentListModel;

// The comment list: a report view over CommentListModel with one selected row at a time. Header
// clicks are reported, never acted on by Qt's own sorting; a caption too long for its section is
// elided short of the sort arrow. Screen readers see only the shown columns (commentlistaccessible.h).
class CommentListView : public QTreeView
{
    Q_OBJECT
public:
    explicit CommentListView(QWidget *parent = nullptr);

    CommentListModel *comments() const { return m_model; }

    // Zero-based display position of the selected row, or -1 when none is selected.
    int selectedRow() const;
    void selectRow(int position);

Q_SIGNALS:
    // A key was released over the list (after the view has moved its selection).
    void keyReleased(int key);
    // The user clicked column header number h (1-based, in the order the columns were added).
    void columnClicked(int h);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    CommentListModel *m_model;
};

} // namespace VynMemberComment
