// The line monitor's costs: what recording adds to each exchange, what taking a batch into the
// view costs, and how long the view takes to draw each page while scrolling through 10,000 rows.
#include "app/trafficmodel.h"
#include "app/trafficpage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int RECORDS = 100000;
constexpr int BATCH = 100; // about what 200 ms of fast exchanges bring
// The shortest exchange on the line: a write echo (8 + 8 bytes) at 115200 baud.
constexpr double SHORTEST_EXCHANGE_US = 16 * 10 * 1e6 / 115200;
constexpr double FRAME_MS = 1000.0 / 60;

TrafficEntry channelRead()
{
    TrafficEntry entry;
    entry.time = QTime::currentTime();
    entry.request = QByteArray::fromHex("0103012C002E0000");
    entry.reply = QByteArray(5 + 2 * 46, '\x11');
    return entry;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const TrafficEntry entry = channelRead();

    traffic_log log;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < RECORDS; ++i) {
        log.record(entry);
        if (i % BATCH == BATCH - 1)
            log.take();
    }
    const double recordUs = timer.nsecsElapsed() / 1e3 / RECORDS;
    std::printf("record one exchange: %.3f us = %.4f %% of the shortest exchange (%.0f us)\n",
                recordUs, 100 * recordUs / SHORTEST_EXCHANGE_US, SHORTEST_EXCHANGE_US);

    TrafficPage page;
    page.resize(1200, 700);
    page.show();
    auto *view = page.findChild<QTableView *>(QStringLiteral("tvTraffic"));
    double worstTakeMs = 0, fullTakesMs = 0;
    int fullTakes = 0;
    for (int taken = 0; taken < TrafficModel::CAPACITY + 20 * BATCH; taken += BATCH) {
        for (int i = 0; i < BATCH; ++i)
            page.log().record(entry);
        timer.restart();
        page.takeRecorded();
        QCoreApplication::processEvents();
        const double ms = timer.nsecsElapsed() / 1e6;
        worstTakeMs = std::max(worstTakeMs, ms);
        if (taken >= TrafficModel::CAPACITY) {
            fullTakesMs += ms;
            ++fullTakes;
        }
    }
    std::printf("take %d exchanges into a full view: %.2f ms each, worst %.2f ms (taken every "
                "200 ms)\n",
                BATCH, fullTakesMs / fullTakes, worstTakeMs);

    QScrollBar *bar = view->verticalScrollBar();
    bar->setValue(0);
    int pages = 0;
    double worstPageMs = 0;
    timer.restart();
    QElapsedTimer pageTimer;
    while (bar->value() < bar->maximum()) {
        pageTimer.start();
        bar->setValue(bar->value() + bar->pageStep());
        view->viewport()->repaint();
        worstPageMs = std::max(worstPageMs, pageTimer.nsecsElapsed() / 1e6);
        ++pages;
    }
    std::printf("scroll %d rows page by page: %d pages, %.2f ms each, worst %.2f ms "
                "(a frame at 60 Hz: %.1f ms)\n",
                view->model()->rowCount(), pages, timer.nsecsElapsed() / 1e6 / pages, worstPageMs,
                FRAME_MS);
    return 0;
}
