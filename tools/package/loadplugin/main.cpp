// Loads a Designer plugin the way Qt Designer does and creates the control through it, then
// checks that the control's library came from the expected folder (the unpacked package).
//   loadplugin <plugin file> <folder of libVynMemberComment>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>
#include <QTextStream>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

namespace {

int fail(const QString &why)
{
    QTextStream(stderr) << "loadplugin: " << why << "\n";
    return 1;
}

// The file of the first mapping whose path names the library.
QString mappedFile(const QString &library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromLocal8Bit(maps.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const qsizetype path = line.indexOf(QLatin1Char('/'));
        if (path >= 0 && line.mid(path).contains(library))
            return line.mid(path);
    }
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3)
        return fail(QStringLiteral("usage: loadplugin <plugin file> <library folder>"));
    // An absolute name: a relative one would be looked up in Qt's library paths instead.
    const QString pluginFile = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QPluginLoader loader(pluginFile);
    const QString iid = loader.metaData().value(QLatin1String("IID")).toString();
    if (iid != QLatin1String("org.qt-project.Qt.QDesignerCustomWidgetInterface"))
        return fail(QStringLiteral("Designer would not list it: its IID is '%1'").arg(iid));
    if (!loader.load())
        return fail(loader.errorString());
    auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
    if (!plugin)
        return fail(QStringLiteral("the plugin offers no custom widget"));
    QWidget form;
    QWidget *control = plugin->createWidget(&form);
    if (!control || qstrcmp(control->metaObject()->className(), "VynMemberComment::MemberComment") != 0)
        return fail(QStringLiteral("the plugin did not create the control"));
    const QString library = mappedFile(QStringLiteral("/libVynMemberComment.so"));
    if (!library.startsWith(QString::fromLocal8Bit(argv[2]) + QLatin1Char('/')))
        return fail(QStringLiteral("the control came from '%1'").arg(library));
    QTextStream(stdout) << "loadplugin: " << plugin->name() << " created through " << pluginFile << "\n";
    return 0;
}
