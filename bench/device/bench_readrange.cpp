// Reads channels 1 to 64 of a 64-channel controller simulated at 115200 baud and prints the
// time next to its floor: the wire time of every request and reply plus the 50 ms of silence
// that ends each reply.
#include "tests/support/connectedwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <cstdio>

namespace {

constexpr int BAUD = 115200;
constexpr int CHANNELS = 64;

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
    w.click("btRead");
    QElapsedTimer timer;
    timer.start();
    w.tick();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double floor = readRangeFloor();
    std::printf("read channels 1-%d at %d baud: %.3f s, floor %.3f s (%+.1f %%)\n", CHANNELS, BAUD,
                seconds, floor, 100.0 * (seconds - floor) / floor);
    return 0;
}
