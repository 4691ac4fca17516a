#include "tour.h"

#include "demowindow.h"
#include "pendingwork.h"

#include <VynMemberComment/MemberComment.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QQueue>
#include <QSpinBox>
#include <QTest>
#include <QTextStream>
#include <QTimer>

namespace {

const QString kNewText = QStringLiteral("Demo tour: promised a call back on Friday & sent the O'Hara letter.");
const QString kSecondText = QStringLiteral("Demo tour: saved when another member was loaded.");
const QString kRefusedText = QStringLiteral("Demo tour: refused by the server, kept pending.");
const QString kSaveChanges = QStringLiteral("Save changes?");

// Answers every message box as the person at the demo would: with the button planned for its
// text, else with its default button. Says what each box showed.
class BoxAnswerer
{
public:
    explicit BoxAnswerer(QTextStream &out)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this, &out] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            const QString text = box->text().trimmed();
            m_shown << text;
            QAbstractButton *button = box->defaultButton() ? box->defaultButton() : box->buttons().value(0);
            if (!m_planned.isEmpty() && m_planned.head().first == text)
                button = box->button(m_planned.dequeue().second);
            out << "  message box \"" << box->windowTitle() << "\": " << text << " -> " << button->text() << "\n";
            out.flush();
            button->click();
        });
        m_timer.start();
    }

    // The next box with this text is answered with this button.
    void plan(const QString &text, QMessageBox::StandardButton button) { m_planned.enqueue({text, button}); }
    // Every box shown so far, in order.
    const QStringList &shown() const { return m_shown; }

private:
    QTimer m_timer;
    QQueue<QPair<QString, QMessageBox::StandardButton>> m_planned;
    QStringList m_shown;
};

template<typename T>
T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
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

int countRows(QAbstractItemView *list, int column, const QString &text)
{
    int found = 0;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        found += cell(list, r, column) == text ? 1 : 0;
    return found;
}

int findRow(QAbstractItemView *list, int column, const QString &text)
{
    for (int r = 0; r < list->model()->rowCount(); ++r) {
        if (cell(list, r, column) == text)
            return r;
    }
    return -1;
}

// Selects a row and reports the click, as a user's click on it would.
void clickRow(QAbstractItemView *list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Q_EMIT list->clicked(index);
}

// A key pressed in the window, which a message box may have left inactive (a shortcut then does
// nothing, and the check that follows says so).
void press(DemoWindow &window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window, 5000))
        return;
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, key, modifiers);
}

// Writes a comment with the editor and puts it into the list with its "Save".
void addComment(QWidget *control, const QString &text)
{
    child<QPushButton>(control, "cmdAdd")->click();
    child<QPlainTextEdit>(control, "txtComment")->setPlainText(text);
    child<QComboBox>(control, "cboCommentGroup")->setCurrentIndex(0);
    child<QComboBox>(control, "cboCommentType")->setCurrentIndex(0);
    child<QCheckBox>(control, "chkCenterFocus")->setChecked(true);
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
    int failures = 0;
    auto check = [&](bool ok, const char *what) {
        out << (ok ? "  ok: " : "  FAILED: ") << what << "\n";
        out.flush();
        failures += ok ? 0 : 1;
        return ok;
    };
    BoxAnswerer answerer(out);
    QWidget *control = window.control();
    auto *list = child<QAbstractItemView>(control, "lstComments");
    auto *member = child<QSpinBox>(&window, "member");
    auto pending = [&window] { return PendingWork::pendingRows(*window.control()); };

    out << "1. load member 1001 (F5)\n";
    press(window, Qt::Key_F5);
    printRows(list, out);
    shoot("loaded");
    if (!check(list->model()->rowCount() > 0, "the load shows the member's comments"))
        return 1;

    out << "2. the host window: keyboard and size\n";
    auto *load = child<QPushButton>(&window, "load");
    auto *save = child<QPushButton>(&window, "save");
    child<QCheckBox>(&window, "editMode")->setFocus();
    press(window, Qt::Key_Tab);
    const bool loadNext = QApplication::focusWidget() == load;
    press(window, Qt::Key_Tab);
    check(loadNext && QApplication::focusWidget() == save, "Tab reaches Load, then Save");
    window.resize(10, 10);
    QApplication::processEvents();
    const QSize hint = window.control()->sizeHint();
    check(control->width() >= hint.width() && control->height() >= hint.height(),
          "the window does not shrink below the control's size hint");
    window.resize(window.sizeHint());

    out << "3. add a comment\n";
    addComment(control, kNewText);
    shoot("adding");
    child<QPushButton>(control, "cmdAdd")->click();

    out << "4. change the flags of a loaded comment\n";
    int loaded = 0;
    while (cell(list, loaded, 2) == QLatin1String("N"))
        ++loaded;
    clickRow(list, loaded);
    const QString editedText = cell(list, loaded, 0);
    child<QPushButton>(control, "cmdEdit")->click();
    auto *beta = child<QCheckBox>(control, "chkBETAFocus");
    const bool betaAfter = !beta->isChecked();
    beta->setChecked(betaAfter);
    shoot("editing");
    child<QPushButton>(control, "cmdAdd")->click();
    printRows(list, out);
    shoot("pending");
    check(pending() == 2, "the new and the changed comment are pending");

    out << "5. close the window with comments pending; answer Cancel\n";
    answerer.plan(kSaveChanges, QMessageBox::Cancel);
    const bool closed = window.close();
    check(answerer.shown().contains(kSaveChanges), "closing asks \"Save changes?\"");
    check(!closed && window.isVisible() && pending() == 2, "Cancel keeps the window and the pending comments");

    out << "6. save (Ctrl+S): the host saves, then reloads\n";
    press(window, Qt::Key_S, Qt::ControlModifier);
    printRows(list, out);
    shoot("saved");
    const int added = findRow(list, 0, kNewText);
    const int edited = findRow(list, 0, editedText);
    check(pending() == 0 && !window.control()->IsCommentNotEmpty(), "after the save nothing is pending");
    check(added >= 0 && cell(list, added, 2).toInt() > 0 && cell(list, added, 9) == QLatin1String("1"),
          "the new comment is stored, with its number");
    check(edited >= 0 && cell(list, edited, 11) == QLatin1String(betaAfter ? "1" : "0"),
          "the changed flags are stored");

    out << "7. save again (Ctrl+S), then reload (F5)\n";
    const qsizetype boxesBefore = answerer.shown().size();
    press(window, Qt::Key_S, Qt::ControlModifier);
    press(window, Qt::Key_F5);
    check(answerer.shown().size() == boxesBefore && countRows(list, 0, kNewText) == 1,
          "a second save sends nothing: the comment is stored once");

    out << "8. add a comment, then load member 1002; answer Cancel, then Save\n";
    addComment(control, kSecondText);
    child<QPushButton>(control, "cmdAdd")->click();
    member->setValue(1002);
    answerer.plan(kSaveChanges, QMessageBox::Cancel);
    press(window, Qt::Key_F5);
    check(answerer.shown().count(kSaveChanges) == 2 && countRows(list, 0, kSecondText) == 1 && pending() == 1,
          "loading another member asks first; Cancel keeps the list");
    answerer.plan(kSaveChanges, QMessageBox::Save);
    press(window, Qt::Key_F5);
    check(answerer.shown().count(kSaveChanges) == 3 && countRows(list, 0, kSecondText) == 0 && pending() == 0,
          "Save stores the comment, then member 1002 is loaded");
    member->setValue(1001);
    press(window, Qt::Key_F5);
    check(answerer.shown().count(kSaveChanges) == 3 && countRows(list, 0, kSecondText) == 1,
          "member 1001 holds the comment saved on the way (and nothing was asked)");

    out << "9. member 0: the server page refuses the save\n";
    member->setValue(0);
    press(window, Qt::Key_F5);
    addComment(control, kRefusedText);
    press(window, Qt::Key_S, Qt::ControlModifier);
    printRows(list, out);
    shoot("refused");
    check(countRows(list, 0, kRefusedText) == 1 && pending() == 1 && window.control()->IsCommentNotEmpty(),
          "a refused save keeps the comment pending (the host does not reload)");

    out << "10. close the window; answer Discard\n";
    answerer.plan(kSaveChanges, QMessageBox::Discard);
    check(window.close() && answerer.shown().count(kSaveChanges) == 4, "Discard closes the window");

    out << (failures == 0 ? "every check passed\n" : "some checks FAILED\n");
    return failures == 0 ? 0 : 1;
}
