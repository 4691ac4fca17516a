#pragma once

#include <QLabel>

namespace VynMemberComment {

// The caption beside a check box that has none of its own: a click on it ticks its buddy, as a
// click on a check box's own caption would.
class CheckBoxCaption : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace VynMemberComment
