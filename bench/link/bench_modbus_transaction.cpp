// Time of one 50-register read against the paced simulator, next to what the wire allows.
#include "link/modbus.h"
#include "tools/tq17sim/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int REGISTERS = 50;
constexpr int REQUEST_BYTES = 8;
constexpr int REPLY_BYTES = 2 * REGISTERS + 5;
constexpr double BITS_PER_BYTE = 10.0;
constexpr double SILENCE_MS = 50.0;

double floorMs(int baud)
{
    return (REQUEST_BYTES + REPLY_BYTES) * BITS_PER_BYTE * 1000.0 / baud + SILENCE_MS;
}

bool transaction(modbus &line)
{
    line.readHolding(REGISTERS, REGISTERS);
    return line.waitPkt();
}

bool measure(int baud, int rounds)
{
    Simulator::Options options;
    options.paceBaud = baud;
    Simulator sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return false;
    }
    modbus line;
    line.portName = sim.portPath();
    line.baudRate = baud;
    if (!line.openPort() || !transaction(line))
        return false;

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rounds; ++i) {
        if (!transaction(line))
            return false;
    }
    const double perTransaction = double(clock.nsecsElapsed()) / 1e6 / rounds;
    const double floor = floorMs(baud);
    std::printf("%6d baud: %7.2f ms per 50-register read, floor %7.2f ms (%+.1f %%)\n", baud,
                perTransaction, floor, 100.0 * (perTransaction - floor) / floor);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool ok = measure(115200, 40) && measure(9600, 20);
    if (!ok)
        std::fprintf(stderr, "a transaction failed\n");
    return ok ? 0 : 1;
}
