#include "tour.h"

#include "demowindow.h"

#include <VynMemberComment/MemberComment.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

namespace {

const QString kNewText = QStringLiteral("Demo tour: promised a call back on Friday & sent the O'Hara letter.");

// Answers every message box with its default button, as the person at the demo would, and says
// what it showed.
class BoxAnswerer
{
public:
    explicit BoxAnswerer(QTextStream &out)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [&out] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            out << "  message box \"" << box->windowTitle() << "\": " << box->text().trimmed() << "\n";
            out.flush();
            QAbstractButton *button = box->defaultButton() ? box->defaultButton() : box->buttons().value(0);
            button->click();
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

template<typename T>
T *child(DemoWindow &w, const char *name)
{
    return w.control()->findChild<T *>(QLatin1String(name));
}

QString cell(QAbstractItemView *list, int row, int column)
{
    return list->model()->index(row, column).data().toString();
}

void printRows(QAbstractItemView *list, QTextStream &out)
{
    const int rows = list->model()->rowCount();
    out << "  " << rows << " row(s): sequence | group | type | focus C/M/B/F | entered by | date | text\n";
    for (int r = 0; r < rows; ++r) {
        out << "  " << cell(list, r, 2) << " | " << cell(list, r, 4) << " | " << cell(list, r, 6) << " | "
            << cell(list, r, 9) << cell(list, r, 10) << cell(list, r, 11) << cell(list, r, 13) << " | "
            << cell(list, r, 8) << " | " << cell(list, r, 7) << " | " << cell(list, r, 0) << "\n";
    }
}

// Selects a row and reports the click, as a user's click on it would.
void clickRow(QAbstractItemView *list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Q_EMIT list->clicked(index);
}

int findRow(QAbstractItemView *list, int column, const QString &text)
{
    for (int r = 0; r < list->model()->rowCount(); ++r) {
        if (cell(list, r, column) == text)
            return r;
    }
    return -1;
}

} // namespace

int runTour(DemoWindow &window, const QString &shotsDir, QTextStream &out)
{
    QDir().mkpath(shotsDir);
    int step = 0;
    auto shoot = [&](const char *what) {
        QApplication::processEvents();
        const QString file = QDir(shotsDir).filePath(QStringLiteral("%1-%2.png").arg(++step).arg(QLatin1String(what)));
        window.grab().save(file);
        out << "screenshot: " << file << "\n";
        out.flush();
    };
    BoxAnswerer answerer(out);
    auto *list = child<QAbstractItemView>(window, "lstComments");

    out << "1. load member 1001\n";
    window.load();
    printRows(list, out);
    shoot("loaded");
    if (list->model()->rowCount() == 0) {
        out << "the load showed no comments\n";
        return 1;
    }

    out << "2. add a comment\n";
    child<QPushButton>(window, "cmdAdd")->click();
    child<QPlainTextEdit>(window, "txtComment")->setPlainText(kNewText);
    child<QComboBox>(window, "cboCommentGroup")->setCurrentIndex(0);
    child<QComboBox>(window, "cboCommentType")->setCurrentIndex(0);
    child<QCheckBox>(window, "chkCenterFocus")->setChecked(true);
    shoot("adding");
    child<QPushButton>(window, "cmdAdd")->click();

    out << "3. change the flags of a loaded comment\n";
    int loaded = 0;
    while (cell(list, loaded, 2) == QLatin1String("N"))
        ++loaded;
    clickRow(list, loaded);
    const QString editedText = cell(list, loaded, 0);
    child<QPushButton>(window, "cmdEdit")->click();
    auto *beta = child<QCheckBox>(window, "chkBETAFocus");
    const bool betaAfter = !beta->isChecked();
    beta->setChecked(betaAfter);
    shoot("editing");
    child<QPushButton>(window, "cmdAdd")->click();
    printRows(list, out);
    shoot("pending");

    out << "4. save\n";
    window.save();
    shoot("saved");

    out << "5. reload\n";
    window.load();
    printRows(list, out);
    shoot("reloaded");

    const int added = findRow(list, 0, kNewText);
    const int edited = findRow(list, 0, editedText);
    const bool addedOk = added >= 0 && cell(list, added, 2).toInt() > 0 && cell(list, added, 9) == QLatin1String("1");
    const bool editedOk = edited >= 0 && cell(list, edited, 11) == QLatin1String(betaAfter ? "1" : "0")
                          && !cell(list, edited, 2).endsWith(QLatin1Char('U'));
    out << (addedOk ? "the new comment is stored\n" : "the new comment is missing\n");
    out << (editedOk ? "the changed flags are stored\n" : "the changed flags are missing\n");
    return addedOk && editedOk ? 0 : 1;
}
