#include "commandline.h"

#include "console.h"
#include "device/registermap.h"

#include <QRegularExpression>

CommandLine::CommandLine(const QString &command, const QString &description, Line line)
    : command(command), line(line)
{
    options.setApplicationDescription(description);
    options.addHelpOption();
    options.addOption({QStringLiteral("type"),
                       QStringLiteral("Тип контроллера: 32 или 64 канала (по умолчанию 32)."),
                       QStringLiteral("32|64"), QStringLiteral("32")});
    if (line == Line::Unused)
        return;
    options.addOption(
        {QStringLiteral("port"), QStringLiteral("Последовательный порт."), QStringLiteral("ПОРТ")});
    options.addOption({QStringLiteral("baud"), QStringLiteral("Скорость (по умолчанию 115200)."),
                       QStringLiteral("N"), QStringLiteral("115200")});
    options.addOption({QStringLiteral("address"),
                       QStringLiteral("Адрес Modbus, 1..247 (по умолчанию 1)."), QStringLiteral("N"),
                       QStringLiteral("1")});
    options.addOption({QStringLiteral("fast"),
                       QStringLiteral("Быстрый обмен: ответ кончается по длине, без паузы после "
                                      "него.")});
}

bool CommandLine::invalid(const QString &message) const
{
    Console::err(QStringLiteral("tq17ctl %1: %2").arg(command, message));
    return false;
}

bool CommandLine::parse(const QStringList &arguments, int positionalCount)
{
    // The command's name takes the program's place, so the help names both.
    QStringList own = arguments.mid(1);
    own[0] = arguments.at(0) + QLatin1Char(' ') + command;
    if (!options.parse(own))
        return invalid(options.errorText());
    if (options.isSet(QStringLiteral("help")))
        options.showHelp(0);
    if (options.positionalArguments().size() != positionalCount)
        return invalid(QStringLiteral("ожидается аргументов: %1").arg(positionalCount));
    const QString type = options.value(QStringLiteral("type"));
    if (type != QLatin1String("32") && type != QLatin1String("64"))
        return invalid(QStringLiteral("тип контроллера 32 или 64"));
    settings.devType = type == QLatin1String("64") ? 1 : 0;
    if (!readChannels())
        return false;
    if (line == Line::Unused || (line == Line::Optional && !options.isSet(QStringLiteral("port"))))
        return true;
    return readLink();
}

bool CommandLine::readLink()
{
    settings.port = options.value(QStringLiteral("port"));
    if (settings.port.isEmpty())
        return invalid(QStringLiteral("не задан порт (--port)"));
    bool ok = false;
    settings.baud = options.value(QStringLiteral("baud")).toInt(&ok);
    if (!ok || settings.baud <= 0)
        return invalid(QStringLiteral("неверная скорость"));
    const int address = options.value(QStringLiteral("address")).toInt(&ok);
    if (!ok || address < 1 || address > 247)
        return invalid(QStringLiteral("неверный адрес"));
    settings.address = quint8(address);
    settings.fast = options.isSet(QStringLiteral("fast"));
    return true;
}

int CommandLine::channelCount() const
{
    return CHANNEL_COUNTS[settings.devType];
}

void CommandLine::offerChannels()
{
    options.addOption({QStringLiteral("channels"), QStringLiteral("Каналы A-B (по умолчанию все)."),
                       QStringLiteral("A-B")});
}

bool CommandLine::readChannels()
{
    first = 0;
    last = channelCount() - 1;
    const QString range = options.optionNames().contains(QStringLiteral("channels"))
                              ? options.value(QStringLiteral("channels"))
                              : QString();
    if (range.isEmpty())
        return true;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^(\\d+)(?:-(\\d+))?$")).match(range);
    if (match.hasMatch()) {
        first = match.captured(1).toInt() - 1;
        last = match.captured(2).isEmpty() ? first : match.captured(2).toInt() - 1;
    }
    if (!match.hasMatch() || first < 0 || first > last || last >= channelCount())
        return invalid(QStringLiteral("неверный диапазон каналов ") + range);
    return true;
}
