#include "controlsteps.h"

#include "harness.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QMessageBox>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>

namespace Bench {

namespace {
void (*g_cleanup)() = nullptr;
} // namespace

void fail(const char *why)
{
    std::fprintf(stderr, "%s\n", why);
    if (g_cleanup)
        g_cleanup();
    std::fflush(nullptr);
    std::_Exit(2);
}

void atFailure(void (*cleanup)())
{
    g_cleanup = cleanup;
}

std::unique_ptr<VynMemberComment::MemberComment> shownControl(qint32 member)
{
    auto control = std::make_unique<VynMemberComment::MemberComment>();
    control->Mode(true, member);
    control->resize(control->sizeHint());
    control->show();
    settle();
    return control;
}

QTreeView *listOf(VynMemberComment::MemberComment &control)
{
    return control.findChild<QTreeView *>(QStringLiteral("lstComments"));
}

void loadChecked(VynMemberComment::MemberComment &control, const QString &server, std::size_t rows, qint16 person)
{
    control.LoadData(server, person, 1);
    settle();
    const int shown = listOf(control)->model()->rowCount();
    if (std::size_t(shown) != rows) {
        std::fprintf(stderr, "%d rows shown, %zu expected\n", shown, rows);
        fail("the load did not show every row");
    }
}

BoxAnswers::BoxAnswers(const QString &title)
    : m_title(title)
{
    qApp->installEventFilter(this);
    s_answering = true;
}

BoxAnswers::~BoxAnswers()
{
    qApp->removeEventFilter(this);
    s_answering = false;
}

bool BoxAnswers::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show)
        return false;
    auto *box = qobject_cast<QMessageBox *>(watched);
    if (!box)
        return false;
    m_shown = std::chrono::steady_clock::now();
    m_text = box->text();
    if (box->windowTitle() != m_title) {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(m_text));
        fail("a step failed");
    }
    QMetaObject::invokeMethod(box, &QDialog::accept, Qt::QueuedConnection);
    return false;
}

std::string count(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(std::size_t(at), ",");
    return digits;
}

} // namespace Bench
