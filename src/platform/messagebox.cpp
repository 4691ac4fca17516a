#include "platform/messagebox.h"

#include <QMessageBox>

namespace VynMemberComment::Platform {

int messageBox(const QString &text, int style, const QString &title)
{
    // Parentless on purpose: the host may release the control while the box waits.
    QMessageBox box;
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(title.isEmpty() ? QString::fromLatin1(kDefaultTitle) : title);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    switch (style) {
    case YesNoQuestion:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case OkCritical:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case OkInformation:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return PressedYes;
    case QMessageBox::No:
        return PressedNo;
    default:
        // Closing a Yes/No box by Escape counts as No, as a box without a Cancel button should.
        return style == YesNoQuestion ? PressedNo : PressedOk;
    }
}

} // namespace VynMemberComment::Platform
