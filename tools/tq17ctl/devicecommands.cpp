#include "commands.h"

#include "commandjournal.h"
#include "console.h"
#include "controllersession.h"
#include "device/devicetext.h"

#include <QDateTime>
#include <vector>

namespace Commands {

namespace {

// An address that does not answer costs this long; a controller answers well within it.
const QString SCAN_TIMEOUT_MS = QStringLiteral("250");

} // namespace

int info(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("info"),
                        QStringLiteral("Заводской номер, аппаратная версия и часы контроллера."));
    if (!command.parse(arguments, 0))
        return int(Exit::Input);
    std::vector<ChannelRecord> records(MAX_CHANNELS);
    ControllerSession session(command.link());
    if (!session.connect(records.data()))
        return int(Exit::Controller);
    const DeviceInfo &info = session.deviceInfo();
    Console::out(QStringLiteral("Заводской номер: %1").arg(session.factoryNumber()));
    Console::out(QStringLiteral("Аппаратная версия: ") + DeviceText::hardwareVersion(info.hwVer));
    Console::out(QStringLiteral("Часы: ") + DeviceText::clockText(info.clock));
    Console::out(QStringLiteral("Тип: %1 канала").arg(session.controller().channelCount()));
    return int(Exit::Done);
}

int clock(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("clock"),
                        QStringLiteral("Показывает часы контроллера; --set или --sync ставит их."));
    command.parser().addOption({QStringLiteral("set"), QStringLiteral("Записать это время."),
                                QStringLiteral("ГГГГ-ММ-ДД чч:мм:сс")});
    command.parser().addOption(
        {QStringLiteral("sync"), QStringLiteral("Записать местное время компьютера.")});
    if (!command.parse(arguments, 0))
        return int(Exit::Input);
    const bool set = command.parser().isSet(QStringLiteral("set"));
    const bool sync = command.parser().isSet(QStringLiteral("sync"));
    if (set && sync)
        return Console::fail(Exit::Input, QStringLiteral("tq17ctl clock: --set или --sync"));
    QDateTime target = QDateTime::fromString(command.parser().value(QStringLiteral("set")),
                                             QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (set && !target.isValid())
        return Console::fail(Exit::Input, QStringLiteral("tq17ctl clock: неверное время ") +
                                              command.parser().value(QStringLiteral("set")));
    std::vector<ChannelRecord> records(MAX_CHANNELS);
    ControllerSession session(command.link());
    if (!session.connect(records.data()))
        return int(Exit::Controller);
    if (!set && !sync) {
        Console::out(DeviceText::clockText(session.deviceInfo().clock));
        return int(Exit::Done);
    }
    if (sync)
        target = QDateTime::currentDateTime();
    const quint32 sent = DeviceText::clockSeconds(target.date(), target.time());
    CommandJournal journal(session);
    quint32 held = 0;
    if (session.failed(session.controller().setClock(sent, sync, held, journal.log())))
        return int(Exit::Controller);
    Console::out(DeviceText::clockText(held));
    return int(Exit::Done);
}

int scan(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("scan"),
                        QStringLiteral("Ищет контроллеры на линии: адрес и заводской номер."));
    QCommandLineParser &parser = command.parser();
    parser.addOption({QStringLiteral("from"), QStringLiteral("Первый адрес (по умолчанию 1)."),
                      QStringLiteral("N"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("to"), QStringLiteral("Последний адрес (по умолчанию 247)."),
                      QStringLiteral("N"), QStringLiteral("247")});
    parser.addOption({QStringLiteral("timeout"),
                      QStringLiteral("Ожидание ответа, мс (по умолчанию %1).").arg(SCAN_TIMEOUT_MS),
                      QStringLiteral("МС"), SCAN_TIMEOUT_MS});
    if (!command.parse(arguments, 0))
        return int(Exit::Input);
    bool fromOk = false, toOk = false, timeoutOk = false;
    const int from = parser.value(QStringLiteral("from")).toInt(&fromOk);
    const int to = parser.value(QStringLiteral("to")).toInt(&toOk);
    const int timeout = parser.value(QStringLiteral("timeout")).toInt(&timeoutOk);
    if (!fromOk || !toOk || from < 1 || from > to || to > 247 || !timeoutOk || timeout <= 0)
        return Console::fail(Exit::Input, QStringLiteral("tq17ctl scan: неверные адреса или ожидание"));
    ControllerSession session(command.link());
    if (!session.open())
        return int(Exit::Controller);
    const Outcome outcome = session.controller().scan(
        from, to, timeout, Context(),
        [](int address) { Console::progress(QStringLiteral("Адрес %1").arg(address)); },
        [](int address, quint32 number) {
            Console::endProgress();
            Console::out(QStringLiteral("%1 %2").arg(address).arg(number));
        });
    Console::endProgress();
    return int(session.failed(outcome) ? Exit::Controller : Exit::Done);
}

} // namespace Commands
