// What a person sees and does on a real X display while a load waits: ctest runs it under its own
// Xvfb (xvfb-run) on the xcb platform; it moves the pointer and clicks and types through XTEST (xdotool),
// and reads the pointer's shape as the X server shows it (XFixes).
#include "support/controlfixture.h"
#include "support/xdisplay.h"

#include <QApplication>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <atomic>
#include <chrono>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

using namespace std::chrono_literals;

namespace {

// Starts a program; its pid, or -1 when it cannot be started.
pid_t spawn(std::vector<std::string> args)
{
    std::vector<char *> argv;
    argv.reserve(args.size() + 1);
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// Polls from a thread that must not run Qt's events; true once the test holds.
template<typename Test>
bool pollFor(Test test, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!test()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Waits for a child to end, killing it after the limit; true when it exited with 0.
bool reap(pid_t pid, std::chrono::milliseconds limit)
{
    int status = 0;
    if (!pollFor([&] { return waitpid(pid, &status, WNOHANG) != 0; }, limit)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// xdotool with the given arguments, bounded.
void xdotool(std::vector<std::string> args)
{
    args.insert(args.begin(), "xdotool");
    const pid_t pid = spawn(args);
    ASSERT_GT(pid, 0) << "xdotool cannot be started: install the Debian package xdotool";
    ASSERT_TRUE(reap(pid, 10s)) << "xdotool " << args[1] << " failed";
}

void pointTo(QPoint global)
{
    xdotool({"mousemove", std::to_string(global.x()), std::to_string(global.y())});
}

QPoint centreOf(const QWidget *w)
{
    return w->mapToGlobal(w->rect().center());
}

// A host window as an application has it: a tool bar with Load, a field, and the control.
struct Host {
    QWidget window;
    QToolBar *toolBar = new QToolBar(&window);
    QToolButton *load = nullptr;
    QLineEdit *field = new QLineEdit(&window);
    MemberComment *control = new MemberComment(&window);
    int loadPresses = 0;

    Host()
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(toolBar);
        layout->addWidget(field);
        layout->addWidget(control);
        control->setMinimumSize(control->sizeHint());
        QAction *action = toolBar->addAction(QStringLiteral("Load"));
        QObject::connect(action, &QAction::triggered, [this] { ++loadPresses; });
        load = qobject_cast<QToolButton *>(toolBar->widgetForAction(action));
        control->Mode(true, 1234);
    }
};

} // namespace

TEST(RealDisplayTest, LoadShowsBusyEverywhereDiscardsInputAndRepaints)
{
    XDisplay display;
    ASSERT_TRUE(display.isOpen());
    Host host;
    host.window.move(0, 0);
    host.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.window));
    host.field->setFocus();
    auto *add = host.control->findChild<QPushButton *>(QStringLiteral("cmdAdd"));
    auto *list = host.control->findChild<QTreeView *>(QStringLiteral("lstComments"));
    const QPoint overLoad = centreOf(host.load), overAdd = centreOf(add), overList = centreOf(list);

    // the shapes to expect: the window's own pointer, and the busy one
    pointTo(overLoad);
    ASSERT_TRUE(waitFor([&] { return host.load->underMouse(); }, 3000));
    const XDisplay::PointerImage normal = display.pointerImage();
    host.load->setCursor(Qt::WaitCursor);
    ASSERT_TRUE(waitFor([&] { return display.pointerImage() != normal; }, 3000));
    const XDisplay::PointerImage busy = display.pointerImage();
    host.load->unsetCursor();
    ASSERT_TRUE(waitFor([&] { return display.pointerImage() == normal; }, 3000));

    Gate gate;
    LoopbackServer server;
    server.setHandler([&gate](const httplib::Request &, httplib::Response &res) {
        gate.wait();
        res.set_content(LoadReply().add(commentRow()).xml().toStdString(), "text/xml");
    });

    // Input the application receives while the load waits, counted before anything else sees it.
    std::atomic<int> inputSeen{0};
    struct Observer : QObject {
        std::atomic<int> *seen;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::MouseButtonRelease || e->type() == QEvent::KeyRelease)
                ++*seen;
            return false;
        }
    } observer;
    observer.seen = &inputSeen;
    QTimer::singleShot(0, &host.window, [&] { qApp->installEventFilter(&observer); });

    struct {
        bool busyOverHost = false, busyOverControl = false, inputArrived = false, repainted = false;
    } during;
    std::thread person([&] {
        XDisplay own;
        if (own.isOpen() && pollFor([&] { return !server.requests().empty(); }, 10s)) {
            pointTo(overLoad);
            during.busyOverHost = pollFor([&] { return own.pointerImage() == busy; }, 3s);
            pointTo(overAdd);
            during.busyOverControl = pollFor([&] { return own.pointerImage() == busy; }, 3s);
            xdotool({"click", "1"}); // New Comment
            pointTo(overLoad);
            xdotool({"click", "1"});
            xdotool({"type", "x"}); // into the field that has the focus
            during.inputArrived = pollFor([&] { return inputSeen >= 3; }, 5s);

            // a window laid over the list and taken away again: the list must be drawn anew
            constexpr unsigned long red = 0xff0000;
            own.cover(overList.x(), overList.y(), 40, red);
            const bool covered = pollFor([&] { return own.pixelAt(overList.x(), overList.y()) == red; }, 3s);
            own.uncover();
            during.repainted = covered && pollFor([&] { return own.pixelAt(overList.x(), overList.y()) != red; }, 3s);
        }
        gate.release();
    });
    host.control->LoadData(server.baseUrl(), 1, 1);
    person.join();
    qApp->removeEventFilter(&observer);

    EXPECT_TRUE(during.busyOverHost);
    EXPECT_TRUE(during.busyOverControl);
    ASSERT_TRUE(during.inputArrived);
    EXPECT_TRUE(during.repainted);
    // the input was dropped, not kept for after the load
    EXPECT_EQ(list->model()->rowCount(), 1);
    EXPECT_FALSE(waitFor(
        [&] {
            return add->text() != QLatin1String("New Comment") || host.loadPresses || !host.field->text().isEmpty();
        },
        300));

    // afterwards each window shows its own pointer again, and takes input
    pointTo(overLoad);
    EXPECT_TRUE(waitFor([&] { return display.pointerImage() == normal; }, 3000));
    pointTo(overAdd);
    EXPECT_TRUE(waitFor([&] { return display.pointerImage() == normal; }, 3000));
    xdotool({"click", "1"});
    EXPECT_TRUE(waitFor([&] { return add->text() == QLatin1String("Save"); }, 3000));
}
