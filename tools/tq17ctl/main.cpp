// tq17ctl: the controller from the command line, for scripts: settings, archives, workbooks.
#include "commands.h"
#include "console.h"
#include "device/qttexts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <functional>
#include <memory>
#include <utility>

namespace {

using Command = std::function<int(const QStringList &)>;

const std::pair<const char *, Command> COMMANDS[] = {
    {"info", Commands::info},
    {"read-settings", Commands::readSettings},
    {"write-settings", Commands::writeSettings},
    {"compare", Commands::compare},
    {"report", Commands::report},
    {"download", Commands::download},
    {"export", Commands::exportWorkbook},
    {"clock", Commands::clock},
    {"scan", Commands::scan},
};

QString usage()
{
    QString text = QStringLiteral("Использование: tq17ctl КОМАНДА [параметры]; tq17ctl КОМАНДА "
                                  "--help описывает команду.\nКоманды:");
    for (const auto &command : COMMANDS)
        text += QLatin1Char(' ') + QLatin1String(command.first);
    return text;
}

// A report is drawn with fonts, which only a GUI application has; with no display it is drawn
// offscreen.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "report") == 0) {
#ifdef Q_OS_LINUX
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
            qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

// Qt's own notes (a server with no runtime folder for the offscreen drawing, …) are not the
// tool's words; scripts read stderr for those.
void keepQtsErrorsOnly(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        Console::err(message);
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(keepQtsErrorsOnly);
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tq17ctl"));
    installQtRussianTexts();
    const QStringList arguments = QCoreApplication::arguments();
    const QString name = arguments.value(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        Console::out(usage());
        return int(Exit::Done);
    }
    for (const auto &command : COMMANDS) {
        if (name == QLatin1String(command.first))
            return command.second(arguments);
    }
    return Console::fail(Exit::Input, usage());
}
