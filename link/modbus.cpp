#include "link/modbus.h"

namespace {

constexpr uint8_t READ_HOLDING = 3;
constexpr uint8_t READ_INPUT = 4;
constexpr uint8_t WRITE_MULTIPLE = 16;
constexpr int HEADER_SIZE = 6;

} // namespace

uint16_t swap16(uint16_t value)
{
    return static_cast<uint16_t>((value << 8) | (value >> 8));
}

bool modbus::readHolding(int start, unsigned n)
{
    return readRequest(READ_HOLDING, start, n);
}

bool modbus::readInput(int start, unsigned n)
{
    return readRequest(READ_INPUT, start, n);
}

bool modbus::writeMultiple(int start, unsigned n, const uint16_t *words)
{
    if (n == 0 || n > MAX_WRITE)
        return refuse();
    putHeader(WRITE_MULTIPLE, start, n);
    txBuf[HEADER_SIZE] = static_cast<uint8_t>(2 * n);
    for (unsigned k = 0; k < n; ++k) {
        txBuf[HEADER_SIZE + 1 + 2 * k] = static_cast<uint8_t>(words[k] & 0xFF);
        txBuf[HEADER_SIZE + 2 + 2 * k] = static_cast<uint8_t>(words[k] >> 8);
    }
    return finishFrame(HEADER_SIZE + 1 + 2 * static_cast<int>(n));
}

int modbus::getReg(int i) const
{
    if (i < 0 || i >= carriedRegisters())
        return 0;
    return (rxBuf[3 + 2 * i] << 8) | rxBuf[4 + 2 * i];
}

// A reply that failed its checks carries none.
int modbus::carriedRegisters() const
{
    const bool read = rxBuf[1] == READ_HOLDING || rxBuf[1] == READ_INPUT;
    return linkError || rxLen < 5 || !read ? 0 : rxBuf[2] / 2;
}

uint8_t modbus::replyFunction() const
{
    return rxBuf[1];
}

bool modbus::readRequest(uint8_t function, int start, unsigned n)
{
    if (n == 0 || n > MAX_READ)
        return refuse();
    putHeader(function, start, n);
    rxExpected = 2 * static_cast<int>(n) + 5;
    return finishFrame(HEADER_SIZE);
}

void modbus::putHeader(uint8_t function, int start, unsigned n)
{
    txBuf[0] = mbAddr;
    txBuf[1] = function;
    txBuf[2] = static_cast<uint8_t>((start >> 8) & 0xFF);
    txBuf[3] = static_cast<uint8_t>(start & 0xFF);
    txBuf[4] = 0;
    txBuf[5] = static_cast<uint8_t>(n);
}

bool modbus::finishFrame(int dataLength)
{
    const uint16_t crc = crc16(txBuf, dataLength);
    txBuf[dataLength] = static_cast<uint8_t>(crc & 0xFF);
    txBuf[dataLength + 1] = static_cast<uint8_t>(crc >> 8);
    txLen = static_cast<uint8_t>(dataLength + 2);
    return sendPkt();
}

// Quantities outside what Modbus allows never reach the wire.
bool modbus::refuse()
{
    rxLen = 0;
    linkError = true;
    return false;
}
