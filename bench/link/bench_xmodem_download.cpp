// Time of a 250-block archive download at 115200 baud, next to its wire time.
#include "device/registermap.h"
#include "link/modbus.h"
#include "link/xmodem_line.h"
#include "tools/tq17sim/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int BLOCKS = 250;
constexpr int RECORDS_PER_BLOCK = 64;
constexpr uint16_t FIRST_CHANNEL_ARCHIVE = 1;
// "C", an ACK per block and the ACK of the EOT go out; the EOT comes in.
constexpr int CONTROL_BYTES = 1 + BLOCKS + 1 + 1;

double floorMs()
{
    const double bytes = double(BLOCKS) * xmodem_line::BLOCK_SIZE + CONTROL_BYTES;
    return bytes * 10.0 * 1000.0 / xmodem_line::BAUD_RATE;
}

void writeRegister(modbus &line, int address, uint16_t value)
{
    const uint16_t word = swap16(value);
    line.writeMultiple(address, 1, &word);
    line.waitPkt();
}

// Returns the number of blocks received.
int receiveArchive(xmodem_line &line)
{
    int blocks = 0;
    int result = line.transfer(xmodem_line::START, xmodem_line::BLOCK_SIZE);
    while (result == xmodem_line::BLOCK_SIZE) {
        ++blocks;
        result = line.transfer(xmodem_line::ACK, xmodem_line::BLOCK_SIZE);
    }
    if (result == 1 && line.rxBuf[0] == xmodem_line::EOT)
        line.transfer(xmodem_line::ACK, 0);
    return blocks;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Simulator::Options options;
    options.paceBaud = xmodem_line::BAUD_RATE;
    options.generatedRecords = BLOCKS * RECORDS_PER_BLOCK;
    Simulator sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    modbus modbusLine;
    modbusLine.portName = sim.portPath();
    modbusLine.baudRate = 9600;
    if (!modbusLine.openPort())
        return 1;
    writeRegister(modbusLine, ARG_REG, FIRST_CHANNEL_ARCHIVE);
    writeRegister(modbusLine, CMD_REG, CMD_ARCHIVE_UPLOAD);
    modbusLine.closePort();

    xmodem_line line;
    line.portName = modbusLine.portName;
    if (!line.openPort())
        return 1;
    QElapsedTimer clock;
    clock.start();
    const int blocks = receiveArchive(line);
    const double took = double(clock.nsecsElapsed()) / 1e6;
    line.closePort();

    const double floor = floorMs();
    std::printf("XMODEM-1K at 115200 baud: %d blocks in %.0f ms, floor %.0f ms (%+.1f %%)\n",
                blocks, took, floor, 100.0 * (took - floor) / floor);
    return blocks == BLOCKS ? 0 : 1;
}
