#include "commands.h"

#include "commandjournal.h"
#include "console.h"
#include "controllersession.h"
#include "device/channeldiff.h"
#include "device/settingsfile.h"

#include <QFileInfo>
#include <cstring>
#include <vector>

namespace Commands {

namespace {

void addChannelsOption(CommandLine &command)
{
    command.parser().addPositionalArgument(QStringLiteral("FILE"),
                                           QStringLiteral("Файл настроек (65536 байт)."));
    command.parser().addOption({QStringLiteral("channels"),
                                QStringLiteral("Каналы A-B (по умолчанию все)."),
                                QStringLiteral("A-B")});
}

// The window's "Прочитать устройство" after its connection's identification: live values and the
// device block of every channel, then the channel blocks of the range. The records end as the
// window's do: the range marked read, the other channels of the device not, nothing edited.
bool readRange(ControllerSession &session, ChannelRecord *records, int first, int last)
{
    ControllerLink &link = session.link();
    link.readLiveValues(records);
    if (session.linkFailed())
        return false;
    DeviceInfo info;
    link.readDeviceInfo(info, records);
    if (session.linkFailed())
        return false;
    for (int c = 0; c < link.channelCount(); ++c)
        records[c].active = 0;
    for (int c = first; c <= last; ++c) {
        link.readChannel(c, records[c]);
        if (session.linkFailed())
            return false;
        records[c].active = 1;
        records[c].edited = 0;
    }
    return true;
}

// The fields of the range in which the records differ, in the controller's terms.
QVector<FieldChange> differences(int devType, const ChannelRecord *before,
                                 const ChannelRecord *after, int first, int last)
{
    QVector<FieldChange> changes;
    for (int c = first; c <= last; ++c)
        changes += ChannelDiff::writtenFields(devType, c, before[c], after[c]);
    return changes;
}

// Why the file cannot be taken as a settings file; empty when it was loaded into the records.
QString loadSettings(const QString &name)
{
    const QFileInfo file(name);
    if (file.isFile() && file.size() != SettingsFile::SIZE)
        return QStringLiteral("Неверный размер файла настроек ") + name;
    std::memset(channelRecords, 0, sizeof channelRecords);
    if (!file.isFile() || !SettingsFile::load(name))
        return QStringLiteral("Ошибка открытия файла ") + name;
    return QString();
}

} // namespace

int readSettings(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("read-settings"),
                        QStringLiteral("Читает каналы контроллера в файл настроек, как "
                                       "\"Прочитать устройство\" и \"Экспорт\"."));
    addChannelsOption(command);
    int first = 0, last = 0;
    if (!command.parse(arguments, 1) || !command.channelRange(first, last))
        return int(Exit::Input);
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
    return Console::fail(Exit::Input, QStringLiteral("Ошибка записи файла ") + fileName);
}

// The file's records are written only where they differ from the controller's, and each written
// channel is read back: a controller may take a write and keep its old values.
int writeSettings(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("write-settings"),
                        QStringLiteral("Записывает в контроллер каналы файла настроек, которые "
                                       "отличаются, и проверяет, что контроллер их принял."));
    addChannelsOption(command);
    command.parser().addOption(
        {QStringLiteral("dry-run"), QStringLiteral("Только показать отличия, ничего не писать.")});
    int first = 0, last = 0;
    if (!command.parse(arguments, 1) || !command.channelRange(first, last))
        return int(Exit::Input);
    const QString problem = loadSettings(command.positional(0));
    if (!problem.isEmpty())
        return Console::fail(Exit::Input, problem);
    std::vector<ChannelRecord> controller(MAX_CHANNELS);
    ControllerSession session(command.link());
    if (!session.connect(controller.data()))
        return int(Exit::Controller);
    ControllerLink &link = session.link();
    for (int c = first; c <= last; ++c) {
        link.readChannel(c, controller[size_t(c)]);
        if (session.linkFailed())
            return int(Exit::Controller);
    }
    const QVector<FieldChange> changes =
        differences(link.devType(), controller.data(), channelRecords, first, last);
    for (const FieldChange &change : changes)
        Console::out(ChannelDiff::describe(change));
    if (changes.isEmpty())
        Console::out(QStringLiteral("Нет изменений"));
    if (changes.isEmpty() || command.parser().isSet(QStringLiteral("dry-run")))
        return int(Exit::Done);

    CommandJournal journal(session);
    QVector<FieldChange> refused;
    for (int c = first; c <= last; ++c) {
        // The changes come in channel order, each channel's together.
        QVector<FieldChange> sent;
        for (const FieldChange &change : changes) {
            if (change.channel == c)
                sent << change;
        }
        if (sent.isEmpty())
            continue;
        ChannelRecord readBack = controller[size_t(c)];
        link.writeChannel(c, channelRecords[c]);
        if (!ControllerLink::linkError())
            link.readChannel(c, readBack);
        if (session.linkFailed()) {
            for (const FieldChange &change : sent)
                journal.log().change(change, Journal::LINK_ERROR);
            return int(Exit::Controller);
        }
        const QVector<FieldChange> channelRefused =
            ChannelDiff::writtenFields(link.devType(), c, channelRecords[c], readBack);
        journal.log().written(sent, channelRefused);
        refused += channelRefused;
    }
    if (refused.isEmpty())
        return int(Exit::Done);
    Console::err(QStringLiteral("Контроллер не принял значения:"));
    for (const FieldChange &change : refused)
        Console::err(ChannelDiff::describe(change));
    return int(Exit::Controller);
}

} // namespace Commands
