#pragma once

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
