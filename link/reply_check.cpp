#include "link/reply_check.h"

#include "link/modbus_line.h"

namespace {

constexpr uint8_t READ_HOLDING = 3;
constexpr uint8_t READ_INPUT = 4;
constexpr uint8_t WRITE_MULTIPLE = 16;
constexpr uint8_t EXCEPTION_BIT = 0x80;
constexpr int WRITE_ECHO_SIZE = 8;
constexpr int READ_OVERHEAD = 5;

int quantity(const uint8_t *request)
{
    return request[4] << 8 | request[5];
}

bool isRead(uint8_t function)
{
    return function == READ_HOLDING || function == READ_INPUT;
}

} // namespace

bool reply_check::crcHolds(const uint8_t *frame, int length)
{
    if (length < 3)
        return false;
    const uint16_t crc = modbus_line::crc16(frame, length - 2);
    return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

bool reply_check::answers(const uint8_t *request, const uint8_t *reply, int length)
{
    if (length < 3 || reply[0] != request[0] || reply[1] != request[1])
        return false;
    if (isRead(request[1]))
        return length == answerLength(request) && reply[2] == 2 * quantity(request);
    // Start address and quantity echoed as sent.
    return request[1] == WRITE_MULTIPLE && length == WRITE_ECHO_SIZE && reply[2] == request[2] &&
           reply[3] == request[3] && reply[4] == request[4] && reply[5] == request[5];
}

bool reply_check::refuses(const uint8_t *request, const uint8_t *reply, int length)
{
    return length == EXCEPTION_SIZE && reply[0] == request[0] &&
           reply[1] == (request[1] | EXCEPTION_BIT);
}

int reply_check::answerLength(const uint8_t *request)
{
    return isRead(request[1]) ? READ_OVERHEAD + 2 * quantity(request) : WRITE_ECHO_SIZE;
}

int reply_check::lengthCalledFor(const uint8_t *request, const uint8_t *reply, int received)
{
    const bool refusal = received >= 2 && reply[1] == (request[1] | EXCEPTION_BIT);
    return refusal ? EXCEPTION_SIZE : answerLength(request);
}
