// The cost of safe writes: the read that compares a 64-channel range before it is written,
// next to the floor of one range read of the channel blocks at 115200 baud, and the time one
// journal entry takes to be committed.
#include "device/registermap.h"
#include "journal/journal.h"
#include "tests/support/connectedwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int BAUD = 115200;
constexpr int CHANNELS = 64;
constexpr int ENTRIES = 500;

double channelReadsFloor()
{
    const int request = 8;
    const int reply = 2 * 50 + 5;
    return CHANNELS * ((request + reply) * 10.0 / BAUD + 0.050);
}

double journalMsPerEntry()
{
    QTemporaryDir dir;
    Journal journal(dir.filePath("journal.sqlite"));
    JournalEntry entry;
    entry.port = "/dev/ttyUSB0";
    entry.address = 1;
    entry.factoryNumber = "123456";
    entry.channel = "12";
    entry.field = "Порог1";
    entry.before = "10.0";
    entry.after = "12.5";
    entry.result = "OK";
    entry.time = QDateTime::currentDateTime();
    journal.add(entry); // opening the database is not part of a write
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < ENTRIES; ++i) {
        entry.time = QDateTime::currentDateTime();
        if (!journal.add(entry)) {
            std::fprintf(stderr, "%s\n", qPrintable(journal.errorString()));
            return -1;
        }
    }
    return timer.nsecsElapsed() / 1e6 / ENTRIES;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    std::printf("journal: %.3f ms per committed entry (goal < 2 ms)\n", journalMsPerEntry());

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
    // One difference, so the comparison ends in its dialog, which is cancelled.
    w.simulator.setHoldingRegister(channelBlock(63) + CH_RANGE_MAX, 4321);
    w.answerer.queueDialogAnswer(false);
    QElapsedTimer timer;
    timer.start();
    w.click("btWrite");
    w.tick();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double floor = channelReadsFloor();
    std::printf("read before writing channels 1-%d: %.3f s including the dialog, floor %.3f s "
                "(%.3fx, goal <= 1.05x)\n",
                CHANNELS, seconds, floor, seconds / floor);
    return 0;
}
