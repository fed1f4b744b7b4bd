#pragma once

#include <QByteArray>
#include <cstdint>

// Receive-buffer handling shared by the Modbus and the XMODEM line.
class rx_buffer
{
public:
    static constexpr int SIZE = 1034;
    using Bytes = uint8_t[SIZE];

    // Forgets what the last request left behind before the next reply comes in.
    static void clearForRequest(QByteArray &accum, Bytes &buf);
    // Zero-fills the whole buffer, then copies at most limit bytes; returns the count copied.
    static int store(Bytes &buf, const QByteArray &bytes, int limit);

private:
    static constexpr int HEAD_SIZE = 256;
};
