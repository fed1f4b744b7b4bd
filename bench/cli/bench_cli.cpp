// tq17ctl beside the window doing the same work, with the ratio next to the goal of 1.05:
//   read-settings of 64 channels at 115200 baud against the window's "Прочитать устройство"
//   (its identification counted too, as the tool makes one), and export of a 33-sheet folder of
//   16000 records per file against the window's "Запись в xlsx". The tool's figures include
//   starting its process. Medians of a few runs.
#include "app/archive.h"
#include "archive/archiverecord.h"
#include "tests/support/connectedwindow.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int RUNS = 3;
constexpr double GOAL = 1.05;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double runTool(const QStringList &arguments)
{
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(QStringLiteral(TQ17CTL_PATH), arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        qFatal("tq17ctl %s failed", qPrintable(arguments.join(' ')));
    return clock.nsecsElapsed() / 1e9;
}

Simulator::Options device64()
{
    Simulator::Options options;
    options.deviceType = 64;
    options.paceBaud = 115200;
    return options;
}

double windowRead()
{
    ConnectedWindow w(device64());
    if (!w.simulator.start())
        qFatal("simulator: %s", qPrintable(w.simulator.errorString()));
    QElapsedTimer clock;
    clock.start();
    w.pressStart(w.simulator.portPath());
    w.tick();
    w.widget<QSpinBox>("sbBeginChan")->setValue(1);
    w.widget<QSpinBox>("sbEndChan")->setValue(64);
    w.click("btRead");
    w.tick();
    return clock.nsecsElapsed() / 1e9;
}

double toolRead(const QString &target)
{
    Simulator simulator(device64());
    if (!simulator.start())
        qFatal("simulator: %s", qPrintable(simulator.errorString()));
    return runTool({"read-settings", target, "--port", simulator.portPath(), "--type", "64",
                    "--baud", "115200"});
}

void writeArchiveSet(const QString &folder)
{
    std::vector<ArchiveRecord> records(ARCHIVE_RECORD_CAPACITY);
    for (int archive = 0; archive <= 32; ++archive) {
        for (int i = 0; i < ARCHIVE_RECORD_CAPACITY; ++i) {
            ArchiveRecord &record = records[size_t(i)];
            record = ArchiveRecord{};
            record.marker = 'Z';
            record.channel = uint8_t(archive == 0 ? i % 33 : archive);
            record.code = uint8_t(archive == 0 ? i % 12 : 0);
            record.time = 1700000000u + uint32_t(i) * 61u;
            record.raw = uint16_t(i * 7 + archive);
            record.scale = uint8_t((i % 4) << 4 | i % 10);
        }
        QFile file(folder + (archive == 0 ? QStringLiteral("events.arh")
                                          : QString::asprintf("chan%02d.arh", archive)));
        const qint64 bytes = qint64(records.size() * sizeof(ArchiveRecord));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char *>(records.data()), bytes) != bytes)
            qFatal("cannot write %s", qPrintable(file.fileName()));
    }
}

// The archive tab's export of the folder "set" in root, its dialog answered with the target.
double windowExport(const QString &root, const QString &target)
{
    QMainWindow window;
    Ui_MainWindow ui;
    ui.setupUi(&window);
    Archive archive;
    archive.setDriveSource([] { return QStringList(); });
    archive.init(&ui);
    archive.setChannelCount(32);
    ui.cbArcDisk->addItem(root + QLatin1Char('/'));
    ui.cbArcDirs->addItem(QStringLiteral("set"));
    QProgressBar bar;
    ModalAnswerer answerer;
    answerer.queueFileName(target);
    QElapsedTimer clock;
    clock.start();
    archive.exportToXlsx(&bar);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (answerer.messages() != QStringList{QStringLiteral("Запись завершена")})
        qFatal("window export: %s", qPrintable(answerer.messages().join(' ')));
    return seconds;
}

void printRow(const char *work, double window, double tool)
{
    std::printf("%-34s %9.3f s %9.3f s %7.3f× (goal %.2f×)\n", work, window, tool, tool / window,
                GOAL);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The window lists the user's download folder among the drives; the bench's is empty.
    TestHome home;
    QTemporaryDir dir;
    std::vector<double> windowReads, toolReads, windowExports, toolExports;
    for (int run = 0; run < RUNS; ++run) {
        windowReads.push_back(windowRead());
        toolReads.push_back(toolRead(dir.filePath("tool.bin")));
    }
    const QString folder = dir.filePath("set") + QLatin1Char('/');
    QDir().mkpath(folder);
    writeArchiveSet(folder);
    for (int run = 0; run < RUNS; ++run) {
        windowExports.push_back(windowExport(dir.path(), dir.filePath("window.xlsx")));
        toolExports.push_back(runTool({"export", folder, dir.filePath("tool.xlsx")}));
    }
    std::printf("%-34s %11s %11s %8s\n", "work, median of 3", "window", "tq17ctl", "ratio");
    printRow("read-settings, 64 channels", median(windowReads), median(toolReads));
    printRow("export, 33 sheets of 16000 rows", median(windowExports), median(toolExports));
    return 0;
}
