// Times the archive tables: building the two models for a device type, and loading a folder
// with a full events archive and a full channel archive, next to merely reading and decoding
// the same records.
#include "app/archive.h"
#include "archive/archivefiles.h"
#include "archive/archivetext.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int RUNS = 7;

void writeFullArchive(const QString &path, bool events, int offset)
{
    std::vector<ArchiveRecord> records(ARCHIVE_RECORD_CAPACITY);
    for (int i = 0; i < ARCHIVE_RECORD_CAPACITY; ++i) {
        ArchiveRecord &record = records[size_t(i)];
        record.marker = 'Z';
        record.channel = events ? uint8_t(i % 2) : 0;
        record.code = events ? uint8_t(i % 14) : 0;
        record.time = 1700000000u + uint32_t(i + offset) * 61u;
        record.raw = uint16_t(i + offset);
        record.scale = uint8_t(0x11 + (i + offset) % 3);
        record.aux = uint16_t(i + offset);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(reinterpret_cast<const char *>(records.data()),
               qint64(records.size() * sizeof(ArchiveRecord)));
}

double milliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

void reportTimes(const char *what, const std::function<double()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < RUNS; ++i)
        times.push_back(run());
    std::sort(times.begin(), times.end());
    std::printf("%-58s median %7.1f ms   min %7.1f ms\n", what, times[RUNS / 2], times.front());
}

void report(const char *what, const std::function<void()> &work)
{
    reportTimes(what, [&] { return milliseconds(work); });
}

// Set-up as the main window's constructor does it: a fresh form, not shown yet.
double startUpSetUp(const QString &drive)
{
    QMainWindow window;
    Ui_MainWindow ui;
    ui.setupUi(&window);
    Archive archive;
    archive.setDriveSource([drive] { return QStringList{drive}; });
    archive.init(&ui);
    return milliseconds([&] {
        archive.setupTables(16000);
        archive.setChannelCount(32);
    });
}

// The floor of a load: read both files and build every text the tables would show.
void readAndDecode(const QString &folder)
{
    static ArchiveRecord buffer[ARCHIVE_RECORD_CAPACITY];
    qint64 characters = 0;
    for (const QString &name :
         {ArchiveFiles::eventsFile(folder), ArchiveFiles::channelFile(folder, 1)}) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(name));
        const int count = ArchiveFiles::readRecords(file, buffer, ARCHIVE_RECORD_CAPACITY);
        for (int i = 0; i < count; ++i) {
            using namespace ArchiveText;
            const ArchiveRecord &record = buffer[i];
            characters += dateText(record).size() + timeText(record).size() +
                          channelText(record).size() + eventName(record.code).size() +
                          valueText(record).size() + unitName(unitIndex(record)).size() +
                          auxText(record, 5).size();
        }
    }
    if (characters == 0)
        qFatal("nothing decoded");
}

} // namespace

int main(int argc, char *argv[])
{
    // The offscreen platform of Qt 5.15 leaks its screen at exit, which a sanitizer build reports.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "minimal");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString drive = dir.path() + QStringLiteral("/");
    QFile(drive + QStringLiteral("ORVEK TQ-17 Archive v 01")).open(QIODevice::WriteOnly);
    // Two folders whose every cell differs, so that each load really changes the tables.
    const QStringList folders = {QStringLiteral("2406"), QStringLiteral("2405")};
    for (int i = 0; i < folders.size(); ++i) {
        const QString folder = drive + folders[i] + QLatin1Char('/');
        QDir().mkpath(folder);
        writeFullArchive(ArchiveFiles::eventsFile(folder), true, i);
        writeFullArchive(ArchiveFiles::channelFile(folder, 1), false, i);
    }
    const QString folder = drive + folders[0] + QLatin1Char('/');

    QMainWindow window;
    Ui_MainWindow ui;
    ui.setupUi(&window);
    Archive archive;
    archive.setDriveSource([drive] { return QStringList{drive}; });
    archive.init(&ui);
    window.show();
    ui.tabWidget->setCurrentWidget(ui.tab_2);
    app.processEvents();
    if (!ui.tvArcEvents->isVisible() || !ui.tvArcNotes->isVisible())
        qFatal("the archive tables are not shown");

    std::printf("archive tables, %d records per file, %d runs each\n", ARCHIVE_RECORD_CAPACITY,
                RUNS);
    reportTimes("start-up set-up, two 16000-row models", [&] { return startUpSetUp(drive); });
    archive.setupTables(16000);
    archive.setChannelCount(32);
    report("device type change to 8000 rows", [&] { archive.setupTables(8000); });
    report("device type change to 16000 rows", [&] { archive.setupTables(16000); });

    report("floor: read and decode both files", [&] { readAndDecode(folder); });
    const auto loadOtherFolder = [&] {
        ui.cbArcDirs->setCurrentIndex(1 - ui.cbArcDirs->currentIndex());
        archive.loadFromFolder();
    };
    ui.cbArcChannel->setCurrentIndex(1);
    report("load events + channel 01 (16000 rows each)", loadOtherFolder);
    report("load events + channel 01, then repaint", [&] {
        loadOtherFolder();
        app.processEvents();
    });
    report("set-up, then load events + channel 01 into the new tables", [&] {
        archive.setupTables(16000);
        loadOtherFolder();
    });
    ui.cbArcChannel->setCurrentIndex(0);
    report("load events only", loadOtherFolder);
    return 0;
}
