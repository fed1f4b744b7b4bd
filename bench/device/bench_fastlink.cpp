// A 64-channel range read and a 64-channel range write that changes every channel (read before,
// write, read back), against the simulator paced at 115200 and 9600 baud, with each reply ended
// by the silence after it and by its length ("Быстрый обмен"). Each time is printed beside its
// wire floor: the bytes of every request and reply at 10 bits a byte. Beside it, that floor with
// the silence a master keeps before each request (3.5 characters, at least 1.75 ms). The
// simulator paces only its replies, and a pseudo-terminal carries requests at once, so the floor
// of the replies alone is printed too.
#include "controller/controllercore.h"
#include "device/channelimage.h"
#include "tools/tq17sim/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int CHANNELS = 64;
constexpr int READ_REQUEST = 8;
constexpr int WRITE_ECHO = 8;

// Bytes of an exchange, or of its reply alone.
int readBytes(int registers, bool request = true)
{
    return (request ? READ_REQUEST : 0) + 2 * registers + 5;
}

int writeBytes(int registers, bool request = true)
{
    return (request ? 7 + 2 * registers + 2 : 0) + WRITE_ECHO;
}

double wireSeconds(int bytes, int baud)
{
    return bytes * 10.0 / baud;
}

double gapSeconds(int exchanges, int baud)
{
    return exchanges * std::max(1.75e-3, 35.0 / baud);
}

// The window's read: live values, the device block, then every channel block.
int rangeReadBytes(bool requests)
{
    return 4 * readBytes(CHANNELS, requests) + readBytes(24, requests) +
           CHANNELS * readBytes(CHANNEL_BLOCK_SIZE, requests);
}

// The comparison's read, then per channel the read-modify-write and the read back.
int rangeWriteBytes(bool requests)
{
    const int block = readBytes(CHANNEL_BLOCK_SIZE, requests);
    return CHANNELS * (3 * block + writeBytes(CHANNEL_BLOCK_SIZE, requests));
}

constexpr int RANGE_READ_EXCHANGES = 4 + 1 + CHANNELS;
constexpr int RANGE_WRITE_EXCHANGES = CHANNELS * 4;

// One line: the time, its ratio to each floor.
void printFigures(const char *what, double seconds, int bytes, int replyBytes, int exchanges,
                  int baud)
{
    const double floor = wireSeconds(bytes, baud);
    const double gaps = floor + gapSeconds(exchanges, baud);
    const double replies = wireSeconds(replyBytes, baud);
    std::printf("  %-5s %7.3f s: floor %7.3f s (%.2fx), with gaps %7.3f s (%.2fx), replies "
                "%7.3f s (%.2fx)\n",
                what, seconds, floor, seconds / floor, gaps, seconds / gaps, replies,
                seconds / replies);
}

double rangeRead(ControllerLink &link, ChannelRecord *records)
{
    QElapsedTimer timer;
    timer.start();
    link.readLiveValues(records);
    DeviceInfo info;
    link.readDeviceInfo(info, records);
    for (int c = 0; c < CHANNELS && !link.linkError(); ++c)
        link.readChannel(c, records[c]);
    return timer.nsecsElapsed() / 1e9;
}

double rangeWrite(ControllerLink &link, ChannelRecord *records)
{
    std::vector<ChannelRecord> before(records, records + CHANNELS);
    QElapsedTimer timer;
    timer.start();
    for (int c = 0; c < CHANNELS && !link.linkError(); ++c)
        link.readChannel(c, before[size_t(c)]);
    for (int c = 0; c < CHANNELS && !link.linkError(); ++c) {
        records[c].delay = before[size_t(c)].delay ^ 1;
        ChannelBlock block;
        if (link.readBlock(c, block))
            link.writeBlock(c, ChannelImage::encode(link.devType(), records[c], block));
        ChannelRecord held = records[c];
        if (!link.linkError())
            link.readChannel(c, held);
    }
    return timer.nsecsElapsed() / 1e9;
}

bool measure(int baud, bool fast)
{
    Simulator::Options options;
    options.deviceType = CHANNELS;
    options.paceBaud = baud;
    Simulator sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return false;
    }
    LinkSettings settings;
    settings.port = sim.portPath();
    settings.baud = baud;
    settings.devType = 1;
    settings.fast = fast;
    ControllerCore controller;
    if (controller.open(settings).kind != Outcome::Kind::Done)
        return false;
    std::vector<ChannelRecord> records(MAX_CHANNELS);
    ControllerLink link(controller.mbLine, 1);
    const double read = rangeRead(link, records.data());
    const double write = link.linkError() ? 0 : rangeWrite(link, records.data());
    const bool failed = link.linkError();
    controller.close();
    if (failed) {
        std::fprintf(stderr, "link error at %d baud\n", baud);
        return false;
    }
    std::printf("%6d baud, Быстрый обмен %s:\n", baud, fast ? "on" : "off");
    printFigures("read", read, rangeReadBytes(true), rangeReadBytes(false), RANGE_READ_EXCHANGES,
                 baud);
    printFigures("write", write, rangeWriteBytes(true), rangeWriteBytes(false),
                 RANGE_WRITE_EXCHANGES, baud);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    std::printf("64 channels; goal with Быстрый обмен on: <= 1.2x the floor at 115200 baud\n");
    for (const int baud : {115200, 9600}) {
        for (const bool fast : {false, true}) {
            if (!measure(baud, fast))
                return 1;
        }
    }
    return 0;
}
