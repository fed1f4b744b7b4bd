#include "commands.h"

#include "commandjournal.h"
#include "console.h"
#include "controllersession.h"
#include "device/channeldiff.h"
#include "device/rangewrite.h"
#include "device/settingsfile.h"
#include "device/wholefile.h"

#include <cstring>
#include <vector>

namespace Commands {

namespace {

void addChannelsOption(CommandLine &command)
{
    command.parser().addPositionalArgument(QStringLiteral("ФАЙЛ"),
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
    RangeWrite write(link.devType(), first, last);
    for (int c = write.first(); c <= write.last(); ++c) {
        link.readBlock(c, write.held(c));
        if (session.linkFailed())
            return int(Exit::Controller);
    }
    write.list(channelRecords);
    for (const FieldChange &change : write.changes())
        Console::out(ChannelDiff::describe(change));
    if (write.changes().isEmpty())
        Console::out(QStringLiteral("Нет изменений"));
    if (write.changes().isEmpty() || command.parser().isSet(QStringLiteral("dry-run")))
        return int(Exit::Done);

    CommandJournal journal(session);
    QVector<FieldChange> refused;
    QStringList changed;
    for (int c = write.first(); c <= write.last(); ++c) {
        const QVector<FieldChange> sent = write.changesOf(c);
        if (sent.isEmpty())
            continue;
        QVector<FieldChange> channelRefused;
        const RangeWrite::Outcome outcome = write.writeChannel(link, c, channelRefused);
        if (session.linkFailed()) {
            for (const FieldChange &change : sent)
                journal.log().change(change, Journal::LINK_ERROR);
            return int(Exit::Controller);
        }
        if (outcome == RangeWrite::Outcome::ControllerChanged) {
            changed << QString::number(c + 1);
            continue;
        }
        journal.log().written(sent, channelRefused);
        refused += channelRefused;
    }
    if (!changed.isEmpty())
        Console::err(QStringLiteral("Контроллер изменился после сравнения, не записаны каналы: ") +
                     changed.join(QStringLiteral(", ")));
    if (!refused.isEmpty()) {
        Console::err(QStringLiteral("Контроллер не принял значения:"));
        for (const FieldChange &change : refused)
            Console::err(ChannelDiff::describe(change));
    }
    return int(changed.isEmpty() && refused.isEmpty() ? Exit::Done : Exit::Controller);
}

} // namespace Commands
