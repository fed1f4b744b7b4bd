// "Загрузить все" of a 32-channel controller simulated at 115200 baud: the whole set next to the
// sum of its archives' wire times, and the time each archive file takes to be written.
// Usage: bench_loadall [records per archive, default 16000]
#include "archive/archiverecord.h"
#include "archive/archivestore.h"
#include "link/xmodem_line.h"
#include "tests/support/connectedwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

constexpr int ARCHIVES = 33;
constexpr int RECORDS_PER_BLOCK = 64;

// Blocks (with header and CRC), "C", an ACK per block, the EOT and its ACK.
double archiveWireSeconds(int records)
{
    const int blocks = (records + RECORDS_PER_BLOCK - 1) / RECORDS_PER_BLOCK;
    const double bytes = double(blocks) * xmodem_line::BLOCK_SIZE + 1 + blocks + 2;
    return bytes * 10.0 / xmodem_line::BAUD_RATE;
}

double fileWriteMs(int records)
{
    QTemporaryDir dir;
    ArchiveStore store(dir.path());
    store.beginConnection(123456);
    const std::vector<ArchiveRecord> data(size_t((records + 63) / 64 * 64));
    QElapsedTimer timer;
    timer.start();
    for (int archive = 0; archive < ARCHIVES; ++archive)
        store.save(archive, data.data(), int(data.size()));
    return timer.nsecsElapsed() / 1e6 / ARCHIVES;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int records = argc > 1 ? QString(argv[1]).toInt() : 16000;
    Simulator::Options options;
    options.paceBaud = xmodem_line::BAUD_RATE;
    options.generatedRecords = records;
    ConnectedWindow w(options);
    if (!w.connect()) {
        std::fprintf(stderr, "could not connect to the simulator\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    w.click("pbArcLoadAll");
    QMetaObject::invokeMethod(w.window.get(), "Timer", Qt::DirectConnection);
    if (!w.waitIdle(3600 * 1000)) {
        std::fprintf(stderr, "the downloads did not end within an hour\n");
        return 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double wire = ARCHIVES * archiveWireSeconds(records);
    std::printf("Загрузить все, %d archives of %d records: %.2f s, wire time %.2f s "
                "(%.3fx, goal <= 1.05x); %d uploads completed\n",
                ARCHIVES, records, seconds, wire, seconds / wire, w.simulator.completedUploads());
    std::printf("writing one archive file: %.2f ms (goal < 10 ms)\n", fileWriteMs(records));
    return 0;
}
