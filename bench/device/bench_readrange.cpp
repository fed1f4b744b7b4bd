// Reads channels 1 to 64 of a 64-channel controller simulated at 115200 baud and prints the
// time next to its floor: the wire time of every request and reply plus the 50 ms of silence
// that ends each reply. The same read is then made without the window's worker thread, which
// gives the cost the thread adds to each exchange, and the longest pause of the GUI event loop
// is measured during the read and during a 250-block archive download.
#include "tests/support/connectedwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int BAUD = 115200;
constexpr int CHANNELS = 64;
constexpr int EXCHANGES = 4 + 1 + CHANNELS;

double transactionFloor(int requestBytes, int replyBytes)
{
    return (requestBytes + replyBytes) * 10.0 / BAUD + 0.050;
}

double readRangeFloor()
{
    const int readRequest = 8;
    double floor = 4 * transactionFloor(readRequest, 2 * CHANNELS + 5); // live values
    floor += transactionFloor(readRequest, 2 * 24 + 5);                 // device block
    floor += CHANNELS * transactionFloor(readRequest, 2 * 50 + 5);      // channel blocks
    return floor;
}

// Starts the requested work and returns its duration in seconds and the longest pause between
// two shots of a 10 ms timer on the GUI thread meanwhile.
double runMeasuringGaps(ConnectedWindow &w, const char *button, qint64 &longestGapMs)
{
    QElapsedTimer clock;
    qint64 last = 0;
    longestGapMs = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGapMs = std::max(longestGapMs, clock.elapsed() - last);
        last = clock.elapsed();
    });
    w.click(button);
    clock.start();
    probe.start(10);
    w.tick();
    return clock.nsecsElapsed() / 1e9;
}

// The read of the window's tick, made directly on this thread.
double directRead(ControllerCore &controller)
{
    ChannelRecord records[MAX_CHANNELS] = {};
    QElapsedTimer timer;
    timer.start();
    controller.readRange(0, CHANNELS - 1, records, Context(), RangeReadSteps());
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Simulator::Options options;
    options.deviceType = CHANNELS;
    options.paceBaud = BAUD;
    ConnectedWindow w(options);
    w.widget<QComboBox>("cComBaudrate")->setCurrentText(QString::number(BAUD));
    if (!w.connect()) {
        std::fprintf(stderr, "could not connect to the simulator\n");
        return 1;
    }
    w.widget<QSpinBox>("sbBeginChan")->setValue(1);
    w.widget<QSpinBox>("sbEndChan")->setValue(CHANNELS);
    qint64 readGap = 0;
    const double seconds = runMeasuringGaps(w, "btRead", readGap);
    const double floor = readRangeFloor();
    std::printf("read channels 1-%d at %d baud: %.3f s, floor %.3f s (%.3fx, goal <= 1.05x)\n",
                CHANNELS, BAUD, seconds, floor, seconds / floor);

    w.widget<QComboBox>("cbArcChannel")->setCurrentIndex(1);
    qint64 downloadGap = 0;
    const double download = runMeasuringGaps(w, "pbArcLoad", downloadGap);
    std::printf("longest GUI event-loop gap: %lld ms during the read, %lld ms during a %.1f s "
                "download (goal < 50 ms)\n",
                static_cast<long long>(readGap), static_cast<long long>(downloadGap), download);

    // The window lets the port go when it closes; the same read then runs on this thread.
    w.window.reset();
    LinkSettings settings;
    settings.port = w.simulator.portPath();
    settings.baud = BAUD;
    settings.devType = 1;
    ControllerCore controller;
    controller.open(settings);
    const double direct = directRead(controller);
    controller.close();
    std::printf("same read without the worker: %.3f s; the worker adds %.3f ms per exchange "
                "(goal < 1 ms)\n",
                direct, 1000.0 * (seconds - direct) / EXCHANGES);
    return 0;
}
