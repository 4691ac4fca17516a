#include "saveoutcome.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>

SaveOutcome::SaveOutcome()
{
    qApp->installEventFilter(this);
}

SaveOutcome::~SaveOutcome()
{
    qApp->removeEventFilter(this);
}

bool SaveOutcome::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (const auto *box = qobject_cast<QMessageBox *>(watched)) {
            const QString text = box->text();
            // The control's own failures (nothing sent; the request failed), then the reference
            // server page's refusal, which stores all or nothing. A host of another server page
            // checks that page's wording here.
            m_failed = m_failed || text == QLatin1String("Error Occoured")
                || text == QLatin1String("Error During saving to Database")
                || text.startsWith(QLatin1String("Nothing was saved"));
        }
    }
    return false;
}
