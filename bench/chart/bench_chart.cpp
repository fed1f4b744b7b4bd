// Times the archive chart: the first draw of a full channel archive with its events, a replot
// after a zoom, and the memory eight full channels laid over it take.
#include "app/archivechart.h"
#include "app/archive.h"
#include "archive/archivefiles.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMainWindow>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <qcustomplot.h>
#include <vector>

namespace {

constexpr int RUNS = 7;
constexpr int OVERLAYS = ArchiveChart::MAX_OVERLAYS;
constexpr double FIRST_DRAW_GOAL_MS = 100;
constexpr double REPLOT_GOAL_MS = 16;

// A measurement a minute; events cycle through the controller and 32 channels.
void writeFullArchive(const QString &path, bool events, int channel)
{
    std::vector<ArchiveRecord> records(ARCHIVE_RECORD_CAPACITY);
    for (int i = 0; i < ARCHIVE_RECORD_CAPACITY; ++i) {
        ArchiveRecord &record = records[size_t(i)];
        record.marker = 'Z';
        record.channel = uint8_t(events ? i % 33 : channel);
        record.code = uint8_t(events ? i % 14 : 0);
        record.time = 1700000000u + uint32_t(i) * 60u;
        record.raw = uint16_t(500 + (i * (channel + 7)) % 1000);
        record.scale = 0x11;
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

void report(const char *what, double goal, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < RUNS; ++i)
        times.push_back(milliseconds(work));
    std::sort(times.begin(), times.end());
    std::printf("%-48s median %7.2f ms   min %7.2f ms   goal <= %5.1f ms\n", what, times[RUNS / 2],
                times.front(), goal);
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString drive = dir.path() + QStringLiteral("/");
    const QString folder = drive + QStringLiteral("2405/");
    QDir().mkpath(folder);
    QFile(ArchiveFiles::markerFile(drive)).open(QIODevice::WriteOnly);
    writeFullArchive(ArchiveFiles::eventsFile(folder), true, 0);
    for (int channel = 1; channel <= OVERLAYS + 1; ++channel)
        writeFullArchive(ArchiveFiles::channelFile(folder, channel), false, channel);

    QMainWindow window;
    Ui_MainWindow ui;
    ui.setupUi(&window);
    Archive archive;
    archive.setDriveSource([drive] { return QStringList{drive}; });
    archive.init(&ui);
    archive.setupTables(ARCHIVE_RECORD_CAPACITY);
    archive.setChannelCount(32);
    ui.cbArcChannel->setCurrentIndex(1);
    archive.loadFromFolder();

    ArchiveChart chart(archive);
    chart.resize(1200, 800);
    chart.show();
    app.processEvents();
    auto *plot = chart.findChild<QCustomPlot *>(QStringLiteral("plotArchive"));
    auto *channels = chart.findChild<QListWidget *>(QStringLiteral("lwChartChannels"));

    std::printf("archive chart, %d records per channel, %d runs each\n", ARCHIVE_RECORD_CAPACITY,
                RUNS);
    report("first draw: 16000 points and their events", FIRST_DRAW_GOAL_MS, [&] {
        chart.showArchive();
        plot->replot(QCustomPlot::rpImmediateRefresh);
    });
    std::printf("  (%d points, %d event markers)\n", plot->graph(0)->dataCount(),
                plot->itemCount());
    report("replot after a zoom to half the time", REPLOT_GOAL_MS, [&] {
        plot->xAxis->scaleRange(0.5, plot->xAxis->range().center());
        plot->replot(QCustomPlot::rpImmediateRefresh);
        plot->xAxis->scaleRange(2.0, plot->xAxis->range().center());
    });

    const long before = residentKilobytes();
    const double overlayTime = milliseconds([&] {
        for (int i = 0; i < OVERLAYS; ++i)
            channels->item(i)->setCheckState(Qt::Checked);
    });
    const long after = residentKilobytes();
    std::printf(
        "%d overlays of 16000 points: %d graphs, RSS growth %ld kB, checking took %.1f ms\n",
        OVERLAYS, plot->graphCount(), after - before, overlayTime);
    report("replot with 9 graphs after a zoom", REPLOT_GOAL_MS, [&] {
        plot->xAxis->scaleRange(0.5, plot->xAxis->range().center());
        plot->replot(QCustomPlot::rpImmediateRefresh);
        plot->xAxis->scaleRange(2.0, plot->xAxis->range().center());
    });
    return 0;
}
