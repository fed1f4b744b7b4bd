#pragma once

#include "link/modbus_line.h"
#include "link/rx_buffer.h"

#include <QByteArray>
#include <algorithm>

// What a line kept of its last reply, for either line class.
template <typename Line> QByteArray keptReply(const Line &line)
{
    return QByteArray(reinterpret_cast<const char *>(line.rxBuf), std::max(line.rxLen, 0));
}

template <typename Line> bool zeroFrom(const Line &line, int first)
{
    return std::all_of(line.rxBuf + first, line.rxBuf + rx_buffer::SIZE,
                       [](uint8_t byte) { return byte == 0; });
}

// A Modbus frame given in hex, with its CRC appended.
inline QByteArray framed(const char *hex)
{
    QByteArray frame = QByteArray::fromHex(hex);
    const uint16_t crc =
        modbus_line::crc16(reinterpret_cast<const uint8_t *>(frame.constData()), frame.size());
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
    return frame;
}
