// Demo host: a small window that embeds the control. Without a display it runs offscreen,
// saves a picture of the window and prints what the control shows.
#include <VynMemberComment/MemberComment.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QPushButton>
#include <QTextStream>

int main(int argc, char **argv)
{
    const bool headless = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("VynMemberComment demo"));
    auto *control = new VynMemberComment::MemberComment(&window);
    window.setCentralWidget(control);
    control->Mode(true, 1001);
    window.resize(window.sizeHint());
    window.show();

    if (!headless)
        return app.exec();

    QTextStream out(stdout);
    const QString png = QDir::temp().filePath(QStringLiteral("membercomment-demo.png"));
    if (!window.grab().save(png)) {
        out << "could not write " << png << "\n";
        return 1;
    }
    out << "screenshot: " << png << "\n";
    auto *list = control->findChild<QAbstractItemView *>(QStringLiteral("lstComments"));
    out << "rows: " << list->model()->rowCount() << "\n";
    for (const char *name : {"cmdAdd", "cmdEdit", "cmdDelete"}) {
        auto *b = control->findChild<QPushButton *>(QLatin1String(name));
        out << name << ": \"" << b->text() << "\" " << (b->isEnabled() ? "enabled" : "disabled") << "\n";
    }
    return 0;
}
