#include "commands.h"

#include "commandjournal.h"
#include "console.h"
#include "controllersession.h"
#include "controller/rangewrite.h"
#include "device/channeldiff.h"
#include "device/devicetext.h"
#include "device/settingsfile.h"
#include "device/wholefile.h"
#include "journal/commissioningreport.h"

#include <QFileInfo>

#include <cstring>
#include <vector>

namespace Commands {

namespace {

void addChannelsOption(CommandLine &command)
{
    command.parser().addPositionalArgument(QStringLiteral("ФАЙЛ"),
                                           QStringLiteral("Файл настроек (65536 байт)."));
    command.offerChannels();
}

// The window's "Прочитать устройство" after its connection's identification: live values and the
// device block of every channel, then the channel blocks of the range. The records end as the
// window's do: the range marked read, the other channels of the device not, nothing edited.
bool readRange(ControllerSession &session, ChannelRecord *records, int first, int last)
{
    ControllerCore &controller = session.controller();
    RangeReadSteps steps;
    steps.deviceInfoRead = [&controller, records](const DeviceInfo &) {
        for (int c = 0; c < controller.channelCount(); ++c)
            records[c].active = 0;
    };
    steps.channelRead = [records](int channel, int) {
        records[channel].active = 1;
        records[channel].edited = 0;
    };
    return !session.failed(controller.readRange(first, last, records, Context(), steps));
}

// Why the file cannot be taken as a settings file; empty when it was loaded into the records.
QString loadSettings(const QString &name)
{
    std::memset(channelRecords, 0, sizeof channelRecords);
    switch (SettingsFile::load(name)) {
    case SettingsFile::LoadResult::Ok: return QString();
    case SettingsFile::LoadResult::WrongSize: return SettingsFile::wrongSizeText(name);
    case SettingsFile::LoadResult::OpenFailed: break;
    }
    return QStringLiteral("Ошибка открытия файла ") + name;
}

// The settings file loaded, the controller connected and the fields a write of the range would
// change printed one per line, or "Нет изменений". Exit::Done once listed; else, after saying
// why, the exit code of what stopped it.
Exit listChanges(const CommandLine &command, ControllerSession &session, RangeWrite &write)
{
    const QString problem = loadSettings(command.positional(0));
    if (!problem.isEmpty()) {
        Console::err(problem);
        return Exit::Input;
    }
    std::vector<ChannelRecord> controller(MAX_CHANNELS);
    if (!session.connect(controller.data()) ||
        session.failed(session.controller().readForWrite(write, Context())))
        return Exit::Controller;
    write.list(channelRecords);
    for (const FieldChange &change : write.changes())
        Console::out(ChannelDiff::describe(change));
    if (write.changes().isEmpty())
        Console::out(QStringLiteral("Нет изменений"));
    return Exit::Done;
}

} // namespace

int readSettings(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("read-settings"),
                        QStringLiteral("Читает каналы контроллера в файл настроек, как "
                                       "\"Прочитать устройство\" и \"Экспорт\"."));
    addChannelsOption(command);
    if (!command.parse(arguments, 1))
        return int(Exit::Input);
    const int first = command.firstChannel(), last = command.lastChannel();
    const QString fileName = command.positional(0);
    // The records of a window that has just been started and connected.
    std::memset(channelRecords, 0, sizeof channelRecords);
    setDefaultModuleTypes(command.link().devType);
    ControllerSession session(command.link());
    if (!session.connect(channelRecords) || !readRange(session, channelRecords, first, last))
        return int(Exit::Controller);
    switch (SettingsFile::save(fileName)) {
    case SettingsFile::Result::Ok: return int(Exit::Done);
    case SettingsFile::Result::OpenFailed:
        return Console::fail(Exit::Input, QStringLiteral("Ошибка открытия файла ") + fileName);
    case SettingsFile::Result::WriteFailed: break;
    }
    return Console::fail(Exit::NotWritten, WholeFile::notWrittenText(fileName));
}

// The file's records are written only to the channels where they differ from the controller's,
// only while the controller still holds what was listed, and each written channel is read back:
// a controller may take a write and keep its old values.
int writeSettings(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("write-settings"),
                        QStringLiteral("Записывает в контроллер каналы файла настроек, которые "
                                       "отличаются, и проверяет, что контроллер их принял."));
    addChannelsOption(command);
    command.parser().addOption(
        {QStringLiteral("dry-run"), QStringLiteral("Только показать отличия, ничего не писать.")});
    if (!command.parse(arguments, 1))
        return int(Exit::Input);
    ControllerSession session(command.link());
    RangeWrite write(command.link().devType, command.firstChannel(), command.lastChannel());
    const Exit listed = listChanges(command, session, write);
    if (listed != Exit::Done)
        return int(listed);
    ControllerCore &device = session.controller();
    if (write.changes().isEmpty() || command.parser().isSet(QStringLiteral("dry-run")))
        return int(Exit::Done);

    CommandJournal journal(session);
    const Outcome outcome = device.writeRange(write, journal.log(), Context(), {});
    if (outcome.linkFailed()) {
        session.failed(outcome);
        return int(Exit::Controller);
    }
    QStringList changed;
    for (int channel : outcome.changed)
        changed << QString::number(channel + 1);
    if (!changed.isEmpty())
        Console::err(QStringLiteral("Контроллер изменился после сравнения, не записаны каналы: ") +
                     changed.join(QStringLiteral(", ")));
    if (!outcome.refused.isEmpty()) {
        Console::err(outcome.text);
        for (const FieldChange &change : outcome.refused)
            Console::err(ChannelDiff::describe(change));
    }
    return int(changed.isEmpty() && outcome.refused.isEmpty() ? Exit::Done : Exit::Controller);
}

// Nothing is written: the exit code tells a script whether the controller holds the file.
int compare(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("compare"),
                        QStringLiteral("Сравнивает каналы файла настроек с контроллером, ничего не "
                                       "записывая: 0 — отличий нет, 1 — есть."));
    addChannelsOption(command);
    if (!command.parse(arguments, 1))
        return int(Exit::Input);
    ControllerSession session(command.link());
    RangeWrite write(command.link().devType, command.firstChannel(), command.lastChannel());
    const Exit listed = listChanges(command, session, write);
    if (listed != Exit::Done)
        return int(listed);
    return int(write.changes().isEmpty() ? Exit::Done : Exit::Differs);
}

// From the controller: its identity, the range as read and this controller's journal of the day.
// From a settings file: the file's channels, named as such, with no controller.
int report(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("report"),
                        QStringLiteral("Пишет отчёт о настройке (PDF): контроллер, настройки "
                                       "каналов, журнал за сегодня, строки для подписей."),
                        CommandLine::Line::Optional);
    command.parser().addPositionalArgument(QStringLiteral("ФАЙЛ.pdf"), QStringLiteral("Отчёт."));
    command.parser().addOption({QStringLiteral("settings"),
                                QStringLiteral("Отчёт по файлу настроек, без контроллера."),
                                QStringLiteral("ФАЙЛ")});
    command.offerChannels();
    if (!command.parse(arguments, 1))
        return int(Exit::Input);
    ReportContent content;
    content.first = command.firstChannel();
    content.last = command.lastChannel();
    const QString target = command.positional(0);
    const QString settingsFile = command.parser().value(QStringLiteral("settings"));
    content.devType = command.link().devType;
    content.records = channelRecords;
    content.known.set();
    if (!settingsFile.isEmpty()) {
        const QString problem = loadSettings(settingsFile);
        if (!problem.isEmpty())
            return Console::fail(Exit::Input, problem);
        content.settingsFile = QFileInfo(settingsFile).fileName();
    } else {
        if (!command.linkGiven())
            return Console::fail(Exit::Input,
                                 QStringLiteral("tq17ctl report: не задан порт (--port) или файл "
                                                "настроек (--settings)"));
        std::memset(channelRecords, 0, sizeof channelRecords);
        setDefaultModuleTypes(content.devType);
        ControllerSession session(command.link());
        if (!session.connect(channelRecords) ||
            !readRange(session, channelRecords, content.first, content.last))
            return int(Exit::Controller);
        content.factoryNumber = QString::number(session.factoryNumber());
        content.hardwareVersion = DeviceText::hardwareVersion(session.deviceInfo().hwVer);
        content.controllerClock = DeviceText::clockText(session.deviceInfo().clock);
        content.port = command.link().port;
        content.address = command.link().address;
        const QDate today = QDate::currentDate();
        content.entries = Journal().entries({content.factoryNumber, today, today});
    }
    content.computerTime = QDateTime::currentDateTime();
    if (!CommissioningReport::write(target, content))
        return Console::fail(Exit::NotWritten, WholeFile::notWrittenText(target));
    return int(Exit::Done);
}

} // namespace Commands
