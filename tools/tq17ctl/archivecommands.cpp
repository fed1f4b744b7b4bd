#include "commands.h"

#include "archive/archivestore.h"
#include "archive/archiveworkbook.h"
#include "archive/xlsxexportfile.h"
#include "console.h"
#include "controllersession.h"

#include <QDir>
#include <algorithm>
#include <vector>

namespace Commands {

namespace {

QString archiveName(int archive)
{
    return archive == 0 ? QStringLiteral("События") : QString::asprintf("Канал %02d", archive);
}

// The archives asked for, in the order asked: --all is the events and every channel, as the
// window's "Загрузить все". Empty, after saying why, when none or a wrong channel was asked for.
QVector<int> chosenArchives(const CommandLine &command)
{
    const QCommandLineParser &parser = command.parser();
    QVector<int> archives;
    if (parser.isSet(QStringLiteral("all"))) {
        for (int archive = 0; archive <= command.channelCount(); ++archive)
            archives << archive;
        return archives;
    }
    if (parser.isSet(QStringLiteral("events")))
        archives << 0;
    for (const QString &value : parser.values(QStringLiteral("channel"))) {
        bool ok = false;
        const int channel = value.toInt(&ok);
        if (!ok || channel < 1 || channel > command.channelCount()) {
            Console::err(QStringLiteral("tq17ctl download: неверный канал ") + value);
            return {};
        }
        archives << channel;
    }
    if (archives.isEmpty())
        Console::err(QStringLiteral("tq17ctl download: нужен --events, --channel или --all"));
    return archives;
}

// One archive as the window downloads it: asked for, received over XMODEM and the Modbus line
// reopened; a complete one is saved. Returns the exit code.
int downloadArchive(ControllerSession &session, ArchiveStore &store, int archive,
                    const QString &label)
{
    ArchiveSteps steps;
    steps.progress = [&label](int progress, int row) {
        Console::progress(QStringLiteral("%1: %2%, записей %3")
                              .arg(label)
                              .arg(std::min(progress, 100))
                              .arg(row));
    };
    QByteArray records;
    steps.ended = [&records](int, const ArchiveResult &result) { records = result.records; };
    const Outcome outcome = session.controller().downloadArchive(archive, Context(), steps);
    Console::endProgress();
    if (outcome.is(Outcome::Kind::Failed))
        return Console::fail(Exit::Controller, outcome.text + QStringLiteral(": ") + label);
    if (session.failed(outcome))
        return int(Exit::Controller);
    if (!store.save(archive, reinterpret_cast<const ArchiveRecord *>(records.constData()),
                    records.size() / int(sizeof(ArchiveRecord))))
        return Console::fail(Exit::NotWritten, store.errorString());
    return int(Exit::Done);
}

} // namespace

int download(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("download"),
                        QStringLiteral("Загружает архивы так, как их хранит окно: папка "
                                       "загрузки \"ГГГГММДД-ччммсс_<зав. №>\" в ПАПКЕ."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("ПАПКА"), QStringLiteral("Папка архивов."));
    parser.addOption({QStringLiteral("events"), QStringLiteral("Архив событий.")});
    parser.addOption({QStringLiteral("channel"),
                      QStringLiteral("Архив канала N; можно повторять."), QStringLiteral("N")});
    parser.addOption({QStringLiteral("all"), QStringLiteral("Архив событий и архивы всех каналов.")});
    if (!command.parse(arguments, 1))
        return int(Exit::Input);
    const QVector<int> archives = chosenArchives(command);
    if (archives.isEmpty())
        return int(Exit::Input);
    std::vector<ChannelRecord> records(MAX_CHANNELS);
    ControllerSession session(command.link());
    if (!session.connect(records.data()))
        return int(Exit::Controller);
    ArchiveStore store(command.positional(0));
    store.beginConnection(session.factoryNumber());
    for (int i = 0; i < archives.size(); ++i) {
        const QString label = QStringLiteral("Архив %1 из %2 (%3)")
                                  .arg(i + 1)
                                  .arg(archives.size())
                                  .arg(archiveName(archives.at(i)));
        const int code = downloadArchive(session, store, archives.at(i), label);
        if (code != int(Exit::Done))
            return code;
    }
    Console::out(QStringLiteral("Загрузка завершена: ") + store.folder());
    return int(Exit::Done);
}

int exportWorkbook(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("export"),
                        QStringLiteral("Записывает папку архивов в книгу xlsx, как "
                                       "\"Запись в xlsx\" окна."),
                        CommandLine::Line::Unused);
    command.parser().addPositionalArgument(QStringLiteral("ПАПКА"),
                                           QStringLiteral("Папка с events.arh и chanNN.arh."));
    command.parser().addPositionalArgument(QStringLiteral("КНИГА.xlsx"), QStringLiteral("Книга."));
    if (!command.parse(arguments, 2))
        return int(Exit::Input);
    ArchiveWorkbook workbook(QDir(command.positional(0)).absolutePath() + QLatin1Char('/'),
                             command.channelCount());
    if (!workbook.readEvents())
        return Console::fail(Exit::Input, workbook.errorString());
    XlsxExportFile target;
    target.file.setFileName(command.positional(1));
    const int channels = command.channelCount();
    const bool written = workbook.write(target, [channels](int channel) {
        Console::progress(QStringLiteral("Канал %1 из %2").arg(channel).arg(channels));
    });
    Console::endProgress();
    if (!written)
        return Console::fail(Exit::Input, workbook.errorString());
    Console::out(QStringLiteral("Запись завершена"));
    if (!workbook.missingLine().isEmpty())
        Console::out(workbook.missingLine());
    return int(Exit::Done);
}

} // namespace Commands
