#pragma once

#include <QByteArray>
#include <QtGlobal>

// The two CRC-16 flavours on the controller's line.
class Crc16
{
public:
    // Modbus RTU frames: init 0xFFFF, reflected polynomial 0xA001; sent low byte first.
    static quint16 modbus(const QByteArray &bytes);
    // XMODEM blocks: init 0, polynomial 0x1021, not reflected; sent high byte first.
    static quint16 xmodem(const QByteArray &bytes);
};
