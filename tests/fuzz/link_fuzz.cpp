// Feeds arbitrary bytes as replies to both lines' receive and judge steps.
#include "link/modbus.h"
#include "tests/link/xmodemprobe.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr size_t HEADER_SIZE = 3;
constexpr int MANY_REGISTERS = 600;

int expectedBlockLength(uint8_t selector)
{
    static const int usual[] = {0, 1, xmodem_line::BLOCK_SIZE, 133};
    return selector < 4 ? usual[selector] : selector * 9 - 1200;
}

int16_t anyLength(const uint8_t *data)
{
    return static_cast<int16_t>(data[0] << 8 | data[1]);
}

void readRegisters(const modbus &line)
{
    volatile int sum = line.replyFunction();
    for (int i = -2; i < MANY_REGISTERS; ++i)
        sum = sum + line.getReg(i);
}

void judgeModbus(modbus &line, const QByteArray &reply, int16_t length)
{
    line.acceptReply(reply);
    readRegisters(line);
    line.rxLen = length;
    line.checkPkt();
    readRegisters(line);
}

void judgeXmodem(XmodemProbe &line, const QByteArray &reply, int expected, int16_t length)
{
    line.rxExpected = expected;
    line.acceptBlock(reply);
    line.rxLen = length;
    line.checkBlock();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static modbus modbusLine;
    static XmodemProbe xmodemLine;
    if (size < HEADER_SIZE)
        return 0;
    const QByteArray reply(reinterpret_cast<const char *>(data + HEADER_SIZE),
                           static_cast<int>(size - HEADER_SIZE));
    judgeModbus(modbusLine, reply, anyLength(data + 1));
    judgeXmodem(xmodemLine, reply, expectedBlockLength(data[0]), anyLength(data + 1));
    return 0;
}
