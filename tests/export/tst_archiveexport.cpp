#include "app/archive.h"
#include "archive/xlsxexportfile.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhome.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QDir>
#include <QMainWindow>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

// The archive export driven through the archive tab, its workbook read back by an independent
// reader (openpyxl).
class ArchiveExportTest : public QObject
{
    Q_OBJECT
private slots:
    void exportWritesEverySheetAndReportsCompletion_data();
    void exportWritesEverySheetAndReportsCompletion();
    void missingEventsFileIsReportedBeforeAnyDialog();
    void cancelledDialogWritesAndSaysNothing();
    void folderWithoutSomeChannelsExportsThoseThere_data();
    void folderWithoutSomeChannelsExportsThoseThere();
    void unreadableChannelFileStopsAndLeavesEarlierFile_data();
    void unreadableChannelFileStopsAndLeavesEarlierFile();
    void fullDiskIsReportedAndLeavesEarlierWorkbook_data();
    void fullDiskIsReportedAndLeavesEarlierWorkbook();
};

namespace {

const QString FOLDER_NAME = QStringLiteral("2405");
const QString TARGET_NAME = QStringLiteral("archive.xlsx");
const QByteArray EARLIER_WORKBOOK = "an earlier workbook";

constexpr uint8_t scale(int decimals, int unit)
{
    return uint8_t(decimals << 4 | unit);
}

ArchiveRecord makeRecord(uint8_t code, uint16_t raw, uint8_t scale, uint8_t marker = 'Z')
{
    ArchiveRecord record{};
    record.marker = marker;
    record.channel = 3;
    record.code = code;
    const QDateTime time(QDate(2024, 5, 17), QTime(13, 45, 9), Qt::UTC);
    record.time = uint32_t(time.toSecsSinceEpoch());
    record.raw = raw;
    record.scale = scale;
    return record;
}

const ArchiveRecord EMPTY_SLOT = makeRecord(1, 1234, scale(2, 2), 0xFF);
const std::vector<ArchiveRecord> EVENTS = {makeRecord(1, 1234, scale(2, 2)), EMPTY_SLOT,
                                           makeRecord(7, 55, scale(1, 1)),
                                           makeRecord(10, 5, scale(2, 9))};

// Channel c's first record holds 100.c, so every sheet shows whose file it holds.
std::vector<ArchiveRecord> channelRecords(int channel)
{
    return {makeRecord(0, uint16_t(1000 + channel), scale(1, 3)), EMPTY_SLOT,
            makeRecord(0, 7, scale(0, 9))};
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void writeRecords(const QString &path, const std::vector<ArchiveRecord> &records)
{
    writeBytes(path, QByteArray(reinterpret_cast<const char *>(records.data()),
                                int(records.size() * sizeof(ArchiveRecord))));
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the independent reader finds wrong with the workbook; empty when nothing.
// Sheets are expected for the channels 1..N of a number, or those of "only:A,B".
QString workbookProblems(const QString &path, const QString &channels, const QStringList &cells)
{
    QProcess checker;
    checker.start(QStringLiteral(WORKBOOK_PYTHON),
                  QStringList{QStringLiteral(CHECK_WORKBOOK_SCRIPT), path, channels} + cells);
    if (!checker.waitForFinished(120000))
        return QStringLiteral("checker did not run: ") + checker.errorString();
    if (checker.exitStatus() == QProcess::NormalExit && checker.exitCode() == 0)
        return QString();
    return QString::fromUtf8(checker.readAllStandardOutput() + checker.readAllStandardError());
}

// The archive tab of a main window form, in its own working directory and home, whose disk
// and folder choose the archive folder "2405" in that directory.
struct ExportFixture {
    explicit ExportFixture(int channels) : channels(channels)
    {
        QDir::setCurrent(dir.path());
        QDir(dir.path()).mkdir(FOLDER_NAME);
        ui.setupUi(&window);
        archive.setDriveSource([] { return QStringList(); });
        archive.init(&ui);
        archive.setChannelCount(channels);
        ui.cbArcDisk->addItem(dir.path() + QLatin1Char('/'));
        ui.cbArcDirs->addItem(FOLDER_NAME);
        xlsxExportFile.lastDir = dir.path();
        xlsxExportFile.file.setFileName(QString());
        QObject::connect(&bar, &QProgressBar::valueChanged,
                         [this](int value) { progress << value; });
    }
    QString folder() const { return dir.filePath(FOLDER_NAME) + QLatin1Char('/'); }
    QString target() const { return dir.filePath(TARGET_NAME); }
    QString channelFile(int channel) const
    {
        return folder() + QString::asprintf("chan%02d.arh", channel);
    }
    void writeArchiveSet()
    {
        writeRecords(folder() + QStringLiteral("events.arh"), EVENTS);
        for (int channel = 1; channel <= channels; ++channel)
            writeRecords(channelFile(channel), channelRecords(channel));
    }
    // Exports, answering the save dialog with the name, or cancelling it when the name is empty.
    void exportTo(const QString &name)
    {
        ModalAnswerer answerer;
        answerer.queueFileName(name);
        archive.exportToXlsx(&bar);
        messages = answerer.messages();
        dialogs = answerer.dialogTitles().size();
        proposedFile = answerer.proposedFile();
    }
    QStringList entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    const int channels;
    TestHome home;
    QTemporaryDir dir;
    QMainWindow window;
    Ui_MainWindow ui;
    Archive archive;
    QProgressBar bar;
    QVector<int> progress;
    QStringList messages;
    int dialogs = 0;
    QString proposedFile;
};

} // namespace

void ArchiveExportTest::exportWritesEverySheetAndReportsCompletion_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("lastSheetCell");
    QTest::addColumn<QString>("typedName");
    QTest::newRow("32 channels") << 32 << QStringLiteral("К.32!C2=n:103.2") << TARGET_NAME;
    QTest::newRow("64 channels, typed without suffix")
        << 64 << QStringLiteral("К.64!C2=n:106.4") << QStringLiteral("archive");
}

void ArchiveExportTest::exportWritesEverySheetAndReportsCompletion()
{
    QFETCH(int, channels);
    QFETCH(QString, lastSheetCell);
    QFETCH(QString, typedName);
    ExportFixture f(channels);
    f.writeArchiveSet();
    // As restored from "ini": the name keeps its line end.
    xlsxExportFile.file.setFileName(f.dir.filePath(QStringLiteral("earlier.xlsx\r\n")));

    f.exportTo(typedName);

    QCOMPARE(f.messages, QStringList{QStringLiteral("Запись завершена")});
    // Beside the archive folder, named after it.
    QCOMPARE(f.proposedFile, f.dir.filePath(FOLDER_NAME + QStringLiteral(".xlsx")));
    QCOMPARE(xlsxExportFile.lastDir, f.dir.path());
    QCOMPARE(xlsxExportFile.file.fileName(), f.target());
    QCOMPARE(f.progress.first(), 3);
    QCOMPARE(f.progress.mid(f.progress.size() - 3), (QVector<int>{96, 100, 0}));
    QCOMPARE(f.entries(), (QStringList{FOLDER_NAME, TARGET_NAME}));
    const QStringList cells = {"События!A2=s:17.05.24", "События!B2=s:13:45:09",
                               "События!C2=s:03",       "События!D2=s:ПОРОГ 1",
                               "События!E2=n:12.34",    "События!F2=s:ppm",
                               "События!G2=blank",      "События!H2=blank",
                               "События!A3=s:---",      "События!B3=blank",
                               "События!E3=blank",      "События!D4=s:ПРИБОР ВКЛ.",
                               "События!E4=blank",      "События!F4=blank",
                               "События!E5=n:0.05",     "События!F5=s:-",
                               "События!A6=blank",      "К.05!A2=s:17.05.24",
                               "К.05!B2=s:13:45:09",    "К.05!C2=n:100.5",
                               "К.05!D2=s:mg/m3",       "К.05!E2=blank",
                               "К.05!A3=s:---",         "К.05!C3=blank",
                               "К.05!C4=n:7",           "К.05!D4=blank",
                               "К.05!A5=blank",         lastSheetCell};
    QCOMPARE(workbookProblems(f.target(), QString::number(channels), cells), QString());
}

void ArchiveExportTest::missingEventsFileIsReportedBeforeAnyDialog()
{
    ExportFixture f(32);
    f.writeArchiveSet();
    QFile::remove(f.folder() + QStringLiteral("events.arh"));

    f.exportTo(f.target());

    QCOMPARE(f.messages, QStringList{QStringLiteral("Ошибка открытия файла ") + f.folder() +
                                     QStringLiteral("events.arh")});
    QCOMPARE(f.dialogs, 0);
    QCOMPARE(f.entries(), QStringList{FOLDER_NAME});
}

void ArchiveExportTest::cancelledDialogWritesAndSaysNothing()
{
    ExportFixture f(32);
    f.writeArchiveSet();
    xlsxExportFile.file.setFileName(f.target());

    f.exportTo(QString());

    QCOMPARE(f.dialogs, 1);
    QVERIFY(f.messages.isEmpty());
    QVERIFY(f.progress.isEmpty());
    QCOMPARE(xlsxExportFile.lastDir, f.dir.path());
    QCOMPARE(xlsxExportFile.file.fileName(), f.target());
    QCOMPARE(f.entries(), QStringList{FOLDER_NAME});
}

// A folder of single downloads: the sheets of the archives there, and the others named.
void ArchiveExportTest::folderWithoutSomeChannelsExportsThoseThere_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<QString>("missingLine");
    QTest::newRow("32, two channels") << 32 << QList<int>{1, 3} << "Нет архивов: 2, 4–32";
    QTest::newRow("64, one channel") << 64 << QList<int>{5} << "Нет архивов: 1–4, 6–64";
    QTest::newRow("32, events only") << 32 << QList<int>{} << "Нет архивов: 1–32";
}

void ArchiveExportTest::folderWithoutSomeChannelsExportsThoseThere()
{
    QFETCH(int, channels);
    QFETCH(QList<int>, present);
    QFETCH(QString, missingLine);
    ExportFixture f(channels);
    f.writeArchiveSet();
    QStringList sheets;
    QStringList cells = {"События!D2=s:ПОРОГ 1"};
    for (int channel = 1; channel <= channels; ++channel) {
        if (!present.contains(channel)) {
            QFile::remove(f.channelFile(channel));
            continue;
        }
        sheets << QString::number(channel);
        cells << QString::asprintf("К.%02d!C2=n:100.%d", channel, channel);
    }

    f.exportTo(f.target());

    QCOMPARE(f.messages, QStringList{QStringLiteral("Запись завершена\n") + missingLine});
    QCOMPARE(f.progress.mid(f.progress.size() - 2), (QVector<int>{100, 0}));
    QCOMPARE(workbookProblems(f.target(), "only:" + sheets.join(','), cells), QString());
}

void ArchiveExportTest::unreadableChannelFileStopsAndLeavesEarlierFile_data()
{
    QTest::addColumn<bool>("earlierFile");
    QTest::newRow("no earlier file") << false;
    QTest::newRow("earlier file of the chosen name") << true;
}

// A channel file there that cannot be read is not taken for a missing one.
void ArchiveExportTest::unreadableChannelFileStopsAndLeavesEarlierFile()
{
    QFETCH(bool, earlierFile);
    ExportFixture f(32);
    f.writeArchiveSet();
    QFile::remove(f.channelFile(5));
    QVERIFY(QDir(f.folder()).mkdir(QStringLiteral("chan05.arh")));
    if (earlierFile)
        writeBytes(f.target(), EARLIER_WORKBOOK);

    f.exportTo(f.target());

    QCOMPARE(f.messages, QStringList{QStringLiteral("Ошибка открытия файла ") + f.channelFile(5)});
    QCOMPARE(f.progress.last(), 12);
    QCOMPARE(readBytes(f.target()), earlierFile ? EARLIER_WORKBOOK : QByteArray());
    QCOMPARE(f.entries(),
             earlierFile ? (QStringList{FOLDER_NAME, TARGET_NAME}) : QStringList{FOLDER_NAME});
}

void ArchiveExportTest::fullDiskIsReportedAndLeavesEarlierWorkbook_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("channelOneRecords");
    QTest::addColumn<int>("limitBytes");
    QTest::newRow("workbook over the limit") << 64 << 3 << 16 * 1024;
    QTest::newRow("rows of a sheet over the limit") << 32 << 16000 << 256 * 1024;
}

void ArchiveExportTest::fullDiskIsReportedAndLeavesEarlierWorkbook()
{
    QFETCH(int, channels);
    QFETCH(int, channelOneRecords);
    QFETCH(int, limitBytes);
    ExportFixture f(channels);
    f.writeArchiveSet();
    const ArchiveRecord measurement = channelRecords(1)[0];
    writeRecords(f.channelFile(1), std::vector<ArchiveRecord>(channelOneRecords, measurement));
    writeBytes(f.target(), EARLIER_WORKBOOK);

    {
        const FileSizeLimit full{rlim_t(limitBytes)};
        f.exportTo(f.target());
    }

    QCOMPARE(f.messages, QStringList{QStringLiteral("Ошибка записи файла ") + f.target()});
    QCOMPARE(readBytes(f.target()), EARLIER_WORKBOOK);
    QCOMPARE(f.entries(), (QStringList{FOLDER_NAME, TARGET_NAME}));
}

QTEST_MAIN(ArchiveExportTest)
#include "tst_archiveexport.moc"
