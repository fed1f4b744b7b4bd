#pragma once

#include "tools/tq17sim/faultplan.h"

#include <QByteArray>

class Line;

// The sending side of XMODEM-1K: waits for "C", sends 1024-byte blocks with CRC-16 and
// waits for ACK after each, then ends with EOT. Bytes it does not expect are left unread,
// for the Modbus side to serve once the upload is given up.
class XmodemSender
{
public:
    XmodemSender(Line &line, int baud) : line_(line), baud_(baud) {}

    // True when the receiver acknowledged the end of the file.
    bool send(const QByteArray &archive, const FaultPlan::Shot &fault);

private:
    bool awaitStart();
    // Writes the frame until it is acknowledged (repeating it on NAK).
    bool deliver(const QByteArray &frame);
    void sendTrailing(int durationMs);
    static QByteArray block(const QByteArray &archive, int number, const FaultPlan::Shot &fault);

    Line &line_;
    const int baud_;
};
