// Demo host: the control in a window, pointed at the reference server page started in-process
// (or at --server URL). Without a display, or with --tour, it runs a scripted tour offscreen.
#include "demowindow.h"
#include "tour.h"

#include <membercommentserver.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <memory>

int main(int argc, char **argv)
{
    // The platform is chosen before the application exists, so --tour is looked for by hand.
    const bool tour =
        std::any_of(argv + 1, argv + argc, [](const char *arg) { return std::strcmp(arg, "--tour") == 0; });
    const bool headless =
        tour || (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    if (headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("membercomment-demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the VynMemberComment control against a server page."));
    parser.addHelpOption();
    const QCommandLineOption serverOption(
        QStringLiteral("server"),
        QStringLiteral("Use the server page under this base URL instead of the built-in one."), QStringLiteral("url"));
    const QCommandLineOption shotsOption(
        QStringLiteral("screenshots"), QStringLiteral("Folder for the tour's screenshots (offscreen only)."),
        QStringLiteral("dir"), QDir::temp().filePath(QStringLiteral("membercomment-demo")));
    const QCommandLineOption tourOption(QStringLiteral("tour"),
                                        QStringLiteral("Run the scripted tour offscreen, even with a display."));
    parser.addOption(serverOption);
    parser.addOption(shotsOption);
    parser.addOption(tourOption);
    parser.process(app);

    QTextStream out(stdout);
    std::unique_ptr<MemberCommentServer::Server> server;
    QString serverUrl = parser.value(serverOption);
    if (serverUrl.isEmpty()) {
        try {
            server = std::make_unique<MemberCommentServer::Server>(MemberCommentServer::ServerOptions{});
            server->start();
        } catch (const std::exception &e) {
            out << "the built-in server page did not start: " << e.what() << "\n";
            return 1;
        }
        serverUrl = QString::fromStdString(server->baseUrl());
    }
    out << "server page: " << serverUrl << "/MemberComment.asp\n";

    DemoWindow window(serverUrl);
    window.resize(window.sizeHint());
    window.show();
    if (!headless) {
        window.load();
        return QApplication::exec();
    }
    const int result = runTour(window, parser.value(shotsOption), out);
    out << (result == 0 ? "tour passed\n" : "tour FAILED\n");
    return result;
}
