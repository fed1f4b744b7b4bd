// tq17ctl: the controller from the command line, for scripts: settings, archives, workbooks.
#include "commands.h"
#include "console.h"
#include "device/qttexts.h"

#include <QCoreApplication>
#include <functional>
#include <utility>

namespace {

using Command = std::function<int(const QStringList &)>;

const std::pair<const char *, Command> COMMANDS[] = {
    {"info", Commands::info},
    {"read-settings", Commands::readSettings},
    {"write-settings", Commands::writeSettings},
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
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
