#include "archive/archiverecord.h"
#include "device/channeldiff.h"
#include "device/channelimage.h"
#include "device/channelrecord.h"
#include "device/registermap.h"
#include "device/wholefile.h"
#include "journal/journal.h"
#include "device/channelformat.h"
#include "tests/support/connectedwindow.h"
#include "tests/support/pdftext.h"

#include <QComboBox>
#include <QDirIterator>
#include <QProcess>
#include <QSpinBox>
#include <QtTest>
#include <cstring>

// tq17ctl run as a process against the simulated controller, its files set beside the window's
// for the same work.
class tst_Cli : public QObject
{
    Q_OBJECT
private slots:
    void readSettings_equalsTheWindowsReadAndExport_data();
    void readSettings_equalsTheWindowsReadAndExport();
    void downloadAllAndExport_equalTheWindows();
    void exportOfOneChannelsDownload_namesTheMissingArchives();
    void writeSettings_printsWritesAndChecks_data();
    void writeSettings_printsWritesAndChecks();
    void writeSettings_leavesAChannelChangedAfterTheList();
    void clockSet_isCheckedAndJournalled_data();
    void clockSet_isCheckedAndJournalled();
    void failures_exitWithTheirCodeAndMessage_data();
    void failures_exitWithTheirCodeAndMessage();
    void downloadOnAFullDisk_namesTheFileAndKeepsNone_data();
    void downloadOnAFullDisk_namesTheFileAndKeepsNone();
    void infoClockAndScan_printTheController();
    void writeSettings_wrongShapeReply_writesNothing_data();
    void writeSettings_wrongShapeReply_writesNothing();
    void scan_lateAnswer_isNoControllerAtTheNextAddress();
    void download_waitsUntilTheControllerLeavesTransferMode();
    void help_isRussianInTheCLocale_data();
    void help_isRussianInTheCLocale();
    void compare_listsAsADryRunAndWritesNothing_data();
    void compare_listsAsADryRunAndWritesNothing();
    void report_holdsFactoryNumberAndThresholds_data();
    void report_holdsFactoryNumberAndThresholds();
};

namespace {

constexpr int ADDRESS = 17;

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// With fileBlocks, files of the process stop growing at that many 512-byte blocks, as on a full
// disk, and a write past it fails instead of ending the process.
Run tq17ctl(const QStringList &arguments, int fileBlocks = 0,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (fileBlocks > 0)
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{"-c", QStringLiteral("ulimit -f %1; trap '' XFSZ; exec \"$0\" \"$@\"")
                                            .arg(fileBlocks),
                                  QStringLiteral(TQ17CTL_PATH)} +
                          arguments);
    else
        process.start(QStringLiteral(TQ17CTL_PATH), arguments);
    Run run;
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.code = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Simulator::Options device(int channels, int records = 16000)
{
    Simulator::Options options;
    options.deviceType = channels;
    options.slaveAddress = ADDRESS;
    options.generatedRecords = records;
    return options;
}

QStringList line(const Simulator &simulator, int channels = 32)
{
    return {"--port", simulator.portPath(), "--address", QString::number(ADDRESS), "--type",
            QString::number(channels)};
}

// Concentrations, ADC and PWM values drift; two reads only compare once they stand still.
void pinLiveValues(Simulator &simulator, int channels)
{
    const qint32 *bases = REG_BASES[channels == 64 ? 1 : 0];
    for (int entry : {BASE_CONCENTRATION, BASE_ADC, BASE_PWM}) {
        for (int c = 0; c < channels; ++c)
            simulator.setInputRegister(bases[entry] + c, simulator.inputRegister(bases[entry] + c));
    }
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file under the folder by its relative path, with its bytes.
QMap<QString, QByteArray> filesUnder(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readFile(path));
    }
    return files;
}

// Archive files of 70 records each whose records differ in every field the workbook shows.
QString writeArchiveSource(const QString &folder, int channels)
{
    QDir().mkpath(folder);
    for (int archive = 0; archive <= channels; ++archive) {
        QByteArray bytes;
        for (int i = 0; i < 70; ++i) {
            ArchiveRecord record{};
            record.marker = i % 13 == 0 ? 0xFF : 'Z';
            record.channel = uint8_t(archive == 0 ? i % (channels + 1) : archive);
            record.code = uint8_t(archive == 0 ? i % 12 : 0);
            record.time = 1715953509u + uint32_t(i * 97);
            record.raw = uint16_t(i * 131 + archive);
            record.scale = uint8_t((i % 4) << 4 | i % 10);
            bytes.append(reinterpret_cast<const char *>(&record), sizeof record);
        }
        QFile file(folder + (archive == 0 ? QStringLiteral("/events.arh")
                                          : QString::asprintf("/chan%02d.arh", archive)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return QString();
    }
    return folder;
}

// The window's journal, oldest first, without the times: port|address|factory|channel|field|
// before|after|result.
QStringList journalRows()
{
    QStringList rows;
    for (const JournalEntry &e : Journal().entries({}))
        rows.prepend(QStringList{e.port, QString::number(e.address), e.factoryNumber, e.channel,
                                 e.field, e.before, e.after, e.result}
                         .join('|'));
    return rows;
}

QString onlySubfolder(const QString &root)
{
    const QStringList folders = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return folders.size() == 1 ? root + "/" + folders.first() + "/" : QString();
}

// The workbooks' differences as an independent reader (openpyxl) finds them; empty when none.
QString workbookDifferences(const QString &first, const QString &second)
{
    QProcess checker;
    checker.start(QStringLiteral(WORKBOOK_PYTHON),
                  {QStringLiteral(COMPARE_WORKBOOKS_SCRIPT), first, second});
    if (!checker.waitForFinished(120000))
        return QStringLiteral("checker did not run: ") + checker.errorString();
    if (checker.exitStatus() == QProcess::NormalExit && checker.exitCode() == 0)
        return QString();
    return QString::fromUtf8(checker.readAllStandardOutput() + checker.readAllStandardError());
}

// Reads the controller into s.bin, then changes two fields of channel 3 in the file.
bool writeChangedSettings(const Simulator &simulator, ChannelRecord &before, ChannelRecord &after)
{
    if (tq17ctl(QStringList{"read-settings", "s.bin"} + line(simulator)).code != 0)
        return false;
    QByteArray file = readFile("s.bin");
    std::memcpy(&before, file.constData() + 2 * sizeof(ChannelRecord), sizeof before);
    after = before;
    after.thr1 = (before.thr1 + 5) & THRESHOLD_VALUE_MASK;
    after.delay = before.delay + 1;
    file.replace(2 * int(sizeof after), int(sizeof after),
                 QByteArray(reinterpret_cast<const char *>(&after), sizeof after));
    QFile changed("s.bin");
    return changed.open(QIODevice::WriteOnly) && changed.write(file) == file.size();
}

} // namespace

void tst_Cli::readSettings_equalsTheWindowsReadAndExport_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("32 channels, all") << 32 << 1 << 32;
    QTest::newRow("64 channels, 5 to 12") << 64 << 5 << 12;
}

// Same bytes and as many exchanges as the window's connection, read and export; with replies
// ended at their length too.
void tst_Cli::readSettings_equalsTheWindowsReadAndExport()
{
    QFETCH(int, channels);
    QFETCH(int, first);
    QFETCH(int, last);
    ConnectedWindow w(device(channels));
    // The records are the program's; a window of an earlier row must not leave its channels.
    std::memset(channelRecords, 0, sizeof channelRecords);
    QVERIFY(w.simulator.start());
    pinLiveValues(w.simulator, channels);
    w.pressStart(w.simulator.portPath());
    w.tick();
    w.widget<QSpinBox>("sbBeginChan")->setValue(first);
    w.widget<QSpinBox>("sbEndChan")->setValue(last);
    w.click("btRead");
    w.tick();
    const int windowRequests = w.simulator.requestCount();
    const QString windowFile = QDir::current().filePath("window.bin");
    w.answerer.queueFileName(windowFile);
    w.click("btExport");
    w.click("Stop");
    QVERIFY(w.waitIdle());
    QCOMPARE(w.answerer.messages(), QStringList{"Чтение завершено"});

    const QString range = QStringLiteral("%1-%2").arg(first).arg(last);
    const Run run = tq17ctl(QStringList{"read-settings", "cli.bin", "--channels", range} +
                            line(w.simulator, channels));
    QCOMPARE(run.code, 0);
    QCOMPARE(run.err, QString());
    QCOMPARE(w.simulator.requestCount() - windowRequests, windowRequests);
    const QByteArray expected = readFile(windowFile);
    QCOMPARE(expected.size(), 65536);
    QVERIFY(readFile("cli.bin") == expected);
    const Run fast = tq17ctl(QStringList{"read-settings", "fast.bin", "--channels", range,
                                         "--fast"} +
                             line(w.simulator, channels));
    QCOMPARE(fast.code, 0);
    QVERIFY(readFile("fast.bin") == expected);
}

// "Загрузить все" and "Запись в xlsx" of the window against download --all and export.
void tst_Cli::downloadAllAndExport_equalTheWindows()
{
    QTemporaryDir source;
    Simulator::Options options = device(32);
    options.archiveDir = writeArchiveSource(source.path(), 32);
    ConnectedWindow w(options);
    QVERIFY(w.connect());
    w.click("pbArcLoadAll");
    w.tick();
    const QString windowBook = QDir::current().filePath("window.xlsx");
    w.answerer.queueFileName(windowBook);
    w.click("pbArcExport");
    w.click("Stop");
    QVERIFY(w.waitIdle());
    const QString windowRoot = w.home.path() + "/Documents/TQ-17";
    const QString windowFolder = onlySubfolder(windowRoot);
    QVERIFY(!windowFolder.isEmpty());

    const Run download = tq17ctl(QStringList{"download", "archives", "--all"} + line(w.simulator));
    QCOMPARE(download.code, 0);
    const QString folder = onlySubfolder(QDir::current().filePath("archives"));
    QCOMPARE(download.out, "Загрузка завершена: " + folder + "\n");
    QVERIFY(folder.endsWith("_123456/"));
    const QMap<QString, QByteArray> files = filesUnder(folder);
    QCOMPARE(files.size(), 33);
    QVERIFY(files == filesUnder(windowFolder));
    QVERIFY(QFile::exists(QDir::current().filePath("archives/ORVEK TQ-17 Archive v 01")));

    const Run exported = tq17ctl({"export", folder, "cli.xlsx"});
    QCOMPARE(exported.code, 0);
    QCOMPARE(exported.err, QString());
    const QString differences = workbookDifferences(windowBook, "cli.xlsx");
    QVERIFY2(differences.isEmpty(), qPrintable(differences));
}

// A folder of download --channel holds the events archive and that channel's only.
void tst_Cli::exportOfOneChannelsDownload_namesTheMissingArchives()
{
    TestHome home;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Simulator::Options options = device(32);
    options.archiveDir = writeArchiveSource(dir.filePath("source"), 32);
    Simulator simulator(options);
    QVERIFY(simulator.start());
    const Run download = tq17ctl(QStringList{"download", "archives", "--events", "--channel", "3"} +
                                 line(simulator));
    QCOMPARE(download.code, 0);
    const QString folder = onlySubfolder(dir.filePath("archives"));

    const Run exported = tq17ctl({"export", folder, "part.xlsx"});
    QCOMPARE(exported.err, QString());
    QCOMPARE(exported.out, "Запись завершена\nНет архивов: 1–2, 4–32\n");
    QCOMPARE(exported.code, 0);
    QVERIFY(QFileInfo(dir.filePath("part.xlsx")).size() > 0);
}

void tst_Cli::writeSettings_printsWritesAndChecks_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("journalled"); // the result of each entry; empty: none
    QTest::newRow("dry run") << QStringList{"--dry-run"} << int(Simulator::Fault::None) << 0
                             << false << QString();
    QTest::newRow("written") << QStringList() << int(Simulator::Fault::None) << 0 << true
                             << "OK";
    QTest::newRow("refused") << QStringList() << int(Simulator::Fault::IgnoreWrite) << 1 << false
                             << "Не принято";
}

// A file that differs from the controller in two fields of channel 3. The writes go into the
// window's journal field by field.
void tst_Cli::writeSettings_printsWritesAndChecks()
{
    QFETCH(QStringList, options);
    QFETCH(int, fault);
    QFETCH(int, code);
    QFETCH(bool, taken);
    QFETCH(QString, journalled);
    TestHome home;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Simulator simulator(device(32));
    QVERIFY(simulator.start());
    ChannelRecord before, after;
    QVERIFY(writeChangedSettings(simulator, before, after));
    ChannelBlock held;
    for (int k = 0; k < CHANNEL_BLOCK_SIZE; ++k)
        held[size_t(k)] = simulator.holdingRegister(channelBlock(2) + k);
    const ChannelBlock sent = ChannelImage::encode(0, after, held);
    QStringList lines, refusedLines, entries;
    for (const FieldChange &change : ChannelDiff::blockChanges(0, 2, held, sent)) {
        lines << ChannelDiff::describe(change);
        entries << QStringList{simulator.portPath(), QString::number(ADDRESS), "123456", "3",
                               ChannelDiff::columnTitle(change.column), change.before,
                               change.after, journalled}
                       .join('|');
    }
    for (const FieldChange &change : ChannelDiff::blockChanges(0, 2, sent, held))
        refusedLines << ChannelDiff::describe(change);
    QCOMPARE(lines.size(), 2);

    simulator.clearLogs();
    simulator.setFault(Simulator::Fault(fault), 0, 0, 0);
    const Run run = tq17ctl(QStringList{"write-settings", "s.bin"} + options + line(simulator));
    QCOMPARE(run.code, code);
    QCOMPARE(run.out, lines.join("\n") + "\n");
    if (options.contains("--dry-run"))
        QVERIFY(simulator.writeLog().isEmpty());
    if (code != 0)
        QCOMPARE(run.err, "Контроллер не принял значения:\n" + refusedLines.join("\n") + "\n");
    QCOMPARE(journalRows(), journalled.isEmpty() ? QStringList() : entries);
    simulator.setFault(Simulator::Fault::None);
    const Run check = tq17ctl(QStringList{"write-settings", "s.bin", "--dry-run"} + line(simulator));
    QCOMPARE(check.out == "Нет изменений\n", taken);
}

// Another master changes channel 3's delay between the list and the write: channel 3 keeps its
// value, channel 2 is written, and the command fails.
void tst_Cli::writeSettings_leavesAChannelChangedAfterTheList()
{
    TestHome home;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Simulator simulator(device(32));
    QVERIFY(simulator.start());
    QCOMPARE(tq17ctl(QStringList{"read-settings", "s.bin"} + line(simulator)).code, 0);
    QByteArray file = readFile("s.bin");
    const int delay2 = channelBlock(1) + CH_DELAY, delay3 = channelBlock(2) + CH_DELAY;
    const quint16 held3 = simulator.holdingRegister(delay3);
    for (const int c : {1, 2}) {
        ChannelRecord record;
        std::memcpy(&record, file.constData() + c * sizeof record, sizeof record);
        record.delay += 5;
        file.replace(c * int(sizeof record), int(sizeof record),
                     QByteArray(reinterpret_cast<const char *>(&record), sizeof record));
    }
    QFile changed("s.bin");
    QVERIFY(changed.open(QIODevice::WriteOnly) && changed.write(file) == file.size());
    changed.close();
    const QStringList arguments = QStringList{"write-settings", "s.bin", "--channels", "2-3"} +
                                  line(simulator);
    const int before = simulator.requestCount();
    QCOMPARE(tq17ctl(arguments + QStringList{"--dry-run"}).code, 0);
    const int listed = simulator.requestCount() - before;
    const quint16 expected2 = quint16(simulator.holdingRegister(delay2) + 5);

    // The first request after the list is channel 2's read before its write: the next, channel 3's.
    simulator.setFault(Simulator::Fault::ForeignWrite, listed + 3, delay3, 1);
    const Run run = tq17ctl(arguments);
    QCOMPARE(run.code, 1);
    QCOMPARE(run.err, QString("Контроллер изменился после сравнения, не записаны каналы: 3\n"));
    QCOMPARE(simulator.holdingRegister(delay3), quint16(held3 + 1));
    QCOMPARE(simulator.holdingRegister(delay2), expected2);
}

void tst_Cli::clockSet_isCheckedAndJournalled_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("result");
    const QStringList set{"--set", "2024-05-17 13:45:09"};
    const QString clock = "Дата и время";
    QTest::newRow("set") << set << int(Simulator::Fault::None) << 0 << QString() << clock << "OK";
    QTest::newRow("set, not kept")
        << set << int(Simulator::Fault::IgnoreWrite) << 1
        << "Контроллер не принял значения:\nДата и время: записано 17.05.2024 13:45:09, в "
           "контроллере "
        << clock << "Не принято";
    QTest::newRow("set, no answer") << set << int(Simulator::Fault::StopAnswering) << 1
                                    << "Ошибка связи\n" << clock << "Ошибка связи";
    QTest::newRow("sync") << QStringList{"--sync"} << int(Simulator::Fault::None) << 0
                          << QString() << "Синхронизировать" << "OK";
}

// The clock is read back as the window reads it after a clock write, and the write goes into
// the window's journal with what came of it.
void tst_Cli::clockSet_isCheckedAndJournalled()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, fault);
    QFETCH(int, code);
    QFETCH(QString, err);
    QFETCH(QString, field);
    QFETCH(QString, result);
    TestHome home;
    Simulator simulator(device(32));
    QVERIFY(simulator.start());
    // The connection's identification goes first: two reads.
    simulator.setFault(Simulator::Fault(fault), 2, 0, 0);
    const QDateTime now = QDateTime::currentDateTime();
    const Run run = tq17ctl(QStringList{"clock"} + arguments + line(simulator));
    QCOMPARE(run.code, code);
    QVERIFY2(run.err.startsWith(err) && run.err.isEmpty() == err.isEmpty(), qPrintable(run.err));
    const QStringList rows = journalRows();
    QCOMPARE(rows.size(), 1);
    const QStringList entry = rows.first().split('|');
    QCOMPARE(entry.mid(0, 5), QStringList({simulator.portPath(), QString::number(ADDRESS),
                                           "123456", QString(), field}));
    QCOMPARE(entry.mid(7), QStringList{result});
    const QDateTime sent = QDateTime::fromString(entry.at(6), "dd.MM.yyyy HH:mm:ss");
    const QDateTime asked = arguments.contains("--sync")
                                ? now
                                : QDateTime::fromString(arguments.last(), "yyyy-MM-dd HH:mm:ss");
    QVERIFY2(qAbs(asked.secsTo(sent)) <= 2, qPrintable(entry.at(6)));
}

void tst_Cli::failures_exitWithTheirCodeAndMessage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("faultParameter");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("absentFile");
    const int none = int(Simulator::Fault::None);
    QTest::newRow("port that does not exist")
        << QStringList{"info", "--port", "/nonexistent/tty"} << none << 0 << 1
        << "Ошибка открытия порта /nonexistent/tty\n" << QString();
    QTest::newRow("controller that does not answer")
        << QStringList{"info"} << int(Simulator::Fault::StopAnswering) << 0 << 1
        << "Ошибка связи\n" << QString();
    QTest::newRow("settings file of the wrong size")
        << QStringList{"write-settings", "short.bin"} << none << 0 << 2
        << "Неверный размер файла настроек short.bin\n" << QString();
    QTest::newRow("channels beyond the device")
        << QStringList{"read-settings", "s.bin", "--channels", "30-33"} << none << 0 << 2
        << "tq17ctl read-settings: неверный диапазон каналов 30-33\n" << "s.bin";
    QTest::newRow("broken archive")
        << QStringList{"download", "a", "--channel", "2"} << int(Simulator::Fault::XmBadBlockCrc)
        << 3 << 1 << "Архив загружен не полностью: Архив 1 из 1 (Канал 02)\n" << "a/*/chan02.arh";
    QTest::newRow("archive that does not come")
        << QStringList{"download", "a", "--events"} << int(Simulator::Fault::XmSilence) << 0 << 1
        << "Архив не загружен: Архив 1 из 1 (События)\n" << "a/*/events.arh";
}

// Nothing is written to the controller, and no file appears, when a command fails.
void tst_Cli::failures_exitWithTheirCodeAndMessage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, fault);
    QFETCH(int, faultParameter);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QString, absentFile);
    TestHome home;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QFile shortFile("short.bin");
    QVERIFY(shortFile.open(QIODevice::WriteOnly) && shortFile.write(QByteArray(1000, 0)) == 1000);
    shortFile.close();
    Simulator simulator(device(32, 1000));
    QVERIFY(simulator.start());
    simulator.setFault(Simulator::Fault(fault), 0, faultParameter, 0);
    if (!arguments.contains("--port"))
        arguments += line(simulator);
    const Run run = tq17ctl(arguments);
    QCOMPARE(run.code, code);
    QCOMPARE(run.err, message);
    const QVector<Simulator::Write> writes = simulator.writeLog();
    for (const Simulator::Write &write : writes)
        QVERIFY2(write.address == ARG_REG || write.address == CMD_REG, "only archive requests");
    if (!absentFile.isEmpty()) {
        QDirIterator it(".", QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            QVERIFY2(!QDir::match(absentFile, QDir::cleanPath(it.next())), qPrintable(absentFile));
    }
}

void tst_Cli::downloadOnAFullDisk_namesTheFileAndKeepsNone_data()
{
    QTest::addColumn<QStringList>("archives");
    QTest::addColumn<QString>("file");
    QTest::newRow("one archive") << QStringList{"--channel", "2"} << "chan02.arh";
    QTest::newRow("all") << QStringList{"--all"} << "events.arh";
}

// Archives of 2 KiB fit the write buffers; a disk that takes 512 bytes must still show.
void tst_Cli::downloadOnAFullDisk_namesTheFileAndKeepsNone()
{
    QFETCH(QStringList, archives);
    QFETCH(QString, file);
    TestHome home;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Simulator simulator(device(32, 70));
    QVERIFY(simulator.start());
    const Run run = tq17ctl(QStringList{"download", "a"} + archives + line(simulator), 1);
    const QString folder = onlySubfolder(dir.filePath("a"));
    QCOMPARE(run.code, 1);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, "Ошибка записи файла " + folder + file + "\n");
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// The clock is written as the window writes a date and time; scan lists only the controller.
void tst_Cli::infoClockAndScan_printTheController()
{
    TestHome home;
    Simulator simulator(device(32));
    QVERIFY(simulator.start());
    const Run set = tq17ctl(QStringList{"clock", "--set", "2024-05-17 13:45:09"} + line(simulator));
    QCOMPARE(set.code, 0);
    const QVector<Simulator::Write> writes = simulator.writeLog();
    QCOMPARE(writes.size(), 2);
    QCOMPARE(quint32(writes.at(0).value) | quint32(writes.at(1).value) << 16, 1715953509u);
    const QDateTime shown = QDateTime::fromString(set.out.trimmed(), "dd.MM.yyyy HH:mm:ss");
    QVERIFY2(QDateTime(QDate(2024, 5, 17), QTime(13, 45, 9)).secsTo(shown) <= 2, qPrintable(set.out));

    const Run info = tq17ctl(QStringList{"info"} + line(simulator));
    QCOMPARE(info.code, 0);
    const QStringList lines = info.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), "Заводской номер: 123456");
    QCOMPARE(lines.at(1), "Аппаратная версия: v.01.01");
    QVERIFY(lines.at(2).startsWith("Часы: 17.05.2024 13:4"));
    QCOMPARE(lines.at(3), "Тип: 32 канала");

    const Run scan = tq17ctl({"scan", "--port", simulator.portPath(), "--from", "15", "--to", "19"});
    QCOMPARE(scan.code, 0);
    QCOMPARE(scan.out, "17 123456\n");
}

void tst_Cli::writeSettings_wrongShapeReply_writesNothing_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("passing");
    // Identification, device block and the comparison's read of channel 3 come first.
    QTest::newRow("short read before the write") << int(Simulator::Fault::ShortRead) << 3;
    QTest::newRow("wrong byte count before the write")
        << int(Simulator::Fault::WrongByteCount) << 3;
    QTest::newRow("another slave in the comparison") << int(Simulator::Fault::WrongSlave) << 2;
    QTest::newRow("wrong function in the identification")
        << int(Simulator::Fault::WrongFunction) << 0;
}

void tst_Cli::writeSettings_wrongShapeReply_writesNothing()
{
    QFETCH(int, fault);
    QFETCH(int, passing);
    TestHome home;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Simulator simulator(device(32));
    QVERIFY(simulator.start());
    ChannelRecord before, after;
    QVERIFY(writeChangedSettings(simulator, before, after));
    QVector<quint16> held;
    for (int a = 0; a < 4 * CHANNEL_BLOCK_SIZE; ++a)
        held << simulator.holdingRegister(a);
    simulator.clearLogs();
    simulator.setFault(Simulator::Fault(fault), passing, 0, 0);
    const Run run =
        tq17ctl(QStringList{"write-settings", "s.bin", "--channels", "3"} + line(simulator));
    QCOMPARE(run.code, 1);
    QCOMPARE(run.err, "Ошибка связи\n");
    QVERIFY(simulator.writeLog().isEmpty());
    for (int a = 3; a < 4 * CHANNEL_BLOCK_SIZE; ++a)
        QCOMPARE(simulator.holdingRegister(a), held.at(a));
}

// A controller answering after the scan stopped waiting for it answers during the next address.
void tst_Cli::scan_lateAnswer_isNoControllerAtTheNextAddress()
{
    TestHome home;
    Simulator simulator(device(32));
    QVERIFY(simulator.start());
    simulator.setFault(Simulator::Fault::LateReply, 0, 400);
    const Run scan = tq17ctl(
        {"scan", "--port", simulator.portPath(), "--from", "17", "--to", "18", "--timeout", "250"});
    QCOMPARE(scan.out, QString());
    QCOMPARE(scan.code, 1);
}

// The controller talks on after the first archive; the next request waits for the quiet.
void tst_Cli::download_waitsUntilTheControllerLeavesTransferMode()
{
    TestHome home;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Simulator simulator(device(32, 70));
    QVERIFY(simulator.start());
    simulator.setFault(Simulator::Fault::XmTrailingBytes);
    const Run run =
        tq17ctl(QStringList{"download", "a", "--events", "--channel", "1"} + line(simulator));
    QCOMPARE(run.err, QString());
    QCOMPARE(run.code, 0);
    QCOMPARE(simulator.completedUploads(), 2);
}

void tst_Cli::help_isRussianInTheCLocale_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("tq17ctl") << QStringList{"--help"};
    for (const char *command :
         {"info", "read-settings", "write-settings", "compare", "report", "download", "export",
          "clock", "scan"})
        QTest::newRow(command) << QStringList{command, "--help"};
}

// Only the names of commands, options, formats and files and the protocol's are in Latin letters.
void tst_Cli::help_isRussianInTheCLocale()
{
    QFETCH(QStringList, arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LANG", "C");
    environment.insert("LC_ALL", "C");
    environment.remove("LANGUAGE");
    const Run run = tq17ctl(arguments, 0, environment);
    QCOMPARE(run.code, 0);
    QVERIFY(run.out.contains(QRegularExpression("\\p{Cyrillic}{4}")));
    QString text = run.out;
    text.remove(TQ17CTL_PATH).remove("tq17ctl").remove(QRegularExpression("-+[a-z-]+"));
    const QSet<QString> allowed = {"info",  "read",   "write", "download", "export",
                                   "clock", "scan",   "xlsx",  "Modbus",   "events",
                                   "arh",   "chanNN", "Qt",       "compare",
                                   "report", "PDF",  "pdf"};
    QRegularExpressionMatchIterator words = QRegularExpression("[A-Za-z]{2,}").globalMatch(text);
    while (words.hasNext()) {
        const QString word = words.next().captured();
        QVERIFY2(allowed.contains(word), qPrintable(word));
    }
}

void tst_Cli::compare_listsAsADryRunAndWritesNothing_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("file"); // "same", "changed", "short"
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");
    QTest::newRow("no difference") << 32 << "same" << int(Simulator::Fault::None) << 0 << QString();
    QTest::newRow("no difference, 64 channels")
        << 64 << "same" << int(Simulator::Fault::None) << 0 << QString();
    QTest::newRow("two fields") << 32 << "changed" << int(Simulator::Fault::None) << 1 << QString();
    QTest::newRow("short file") << 32 << "short" << int(Simulator::Fault::None) << 2
                                << "Неверный размер файла настроек s.bin\n";
    QTest::newRow("no answer") << 32 << "changed" << int(Simulator::Fault::StopAnswering) << 1
                               << "Ошибка связи\n";
}

// The list is the one a write would show; the exit code tells whether there is one.
void tst_Cli::compare_listsAsADryRunAndWritesNothing()
{
    QFETCH(int, channels);
    QFETCH(QString, file);
    QFETCH(int, fault);
    QFETCH(int, code);
    QFETCH(QString, err);
    TestHome home;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Simulator simulator(device(channels));
    QVERIFY(simulator.start());
    ChannelRecord before, after;
    if (file == "changed")
        QVERIFY(writeChangedSettings(simulator, before, after));
    if (file == "same")
        QCOMPARE(tq17ctl(QStringList{"read-settings", "s.bin"} + line(simulator, channels)).code, 0);
    if (file == "short")
        QVERIFY(WholeFile::write("s.bin", QByteArray(100, '\0')));
    const Run dryRun = tq17ctl(QStringList{"write-settings", "s.bin", "--dry-run"} +
                               line(simulator, channels));
    simulator.clearLogs();
    simulator.setFault(Simulator::Fault(fault), 2, 0, 0);
    const Run run = tq17ctl(QStringList{"compare", "s.bin"} + line(simulator, channels));
    QCOMPARE(run.code, code);
    QCOMPARE(run.err, err);
    if (err.isEmpty())
        QCOMPARE(run.out, dryRun.out);
    QVERIFY(simulator.writeLog().isEmpty());
}

void tst_Cli::report_holdsFactoryNumberAndThresholds_data()
{
    QTest::addColumn<bool>("fromFile");
    QTest::newRow("controller") << false;
    QTest::newRow("settings file") << true;
}

// Channel 2's thresholds as the table shows them; from the controller with its factory number
// and this controller's journal of the day, from a file with the file's name.
void tst_Cli::report_holdsFactoryNumberAndThresholds()
{
    QFETCH(bool, fromFile);
    TestHome home;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Simulator simulator(device(32));
    QVERIFY(simulator.start());
    simulator.setHoldingRegister(channelBlock(1) + CH_THRESHOLD1, 4321);
    simulator.setHoldingRegister(channelBlock(1) + CH_THRESHOLD2, 2468);
    QCOMPARE(tq17ctl(QStringList{"clock", "--sync"} + line(simulator)).code, 0);
    QCOMPARE(tq17ctl(QStringList{"read-settings", "s.bin"} + line(simulator)).code, 0);
    ChannelRecord record;
    std::memcpy(&record, readFile("s.bin").constData() + sizeof record, sizeof record);

    const QStringList source =
        fromFile ? QStringList{"--settings", "s.bin"} : line(simulator);
    const Run run = tq17ctl(QStringList{"report", "r.pdf", "--channels", "1-4"} + source);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.code, 0);
    const QString text = pdfText("r.pdf");
    for (const int column : {15, 17})
        QVERIFY2(text.contains(ChannelFormat::cell(record, column).toString()), qPrintable(text));
    QCOMPARE(text.contains("123456"), !fromFile);
    QCOMPARE(text.contains("Синхронизировать"), !fromFile);
    QCOMPARE(text.contains("s.bin"), fromFile);
}

QTEST_MAIN(tst_Cli)
#include "tst_cli.moc"
