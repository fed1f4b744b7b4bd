#pragma once

#include "link/rx_buffer.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <cstdint>

// Receiving side of XMODEM-1K on the port the Modbus line hands over for an archive download.
class xmodem_line : public QObject
{
    Q_OBJECT

public:
    // The port is the line's child, so it follows the line into the thread that does the work.
    xmodem_line() { port.setParent(this); }

    static constexpr int BLOCK_SIZE = 1029;
    static constexpr int BAUD_RATE = 115200;
    static constexpr uint8_t EOT = 0x04;
    static constexpr uint8_t ACK = 0x06;
    static constexpr uint8_t START = 'C';
    static constexpr uint8_t CAN = 0x18;

    bool openPort();
    void closePort();
    int transfer(uint8_t control, int expected);
    // Tells the sender to give up (two CAN) and waits until the line has been quiet for quietMs,
    // so nothing of the transfer is left for the next user of the port.
    void cancel(int quietMs);
    bool sendPkt();
    bool waitPkt();
    bool checkBlock();
    // Keeps the first BLOCK_SIZE bytes of a reply in rxBuf and judges them; sets linkError.
    bool acceptBlock(const QByteArray &bytes);

    static uint16_t crc16Xmodem(const uint8_t *data, int length);

public slots:
    void handleError(QSerialPort::SerialPortError error);

protected:
    QSerialPort port;
    bool isOpen = false;

public:
    bool linkError = false;
    QString portName;

protected:
    uint8_t txBuf[10] = {};

public:
    rx_buffer::Bytes rxBuf = {};
    int32_t rxLen = 0;

protected:
    int32_t rxExpected = 0;
    QByteArray rxAccum;
    uint16_t txLen = 0;

private:
    void collectReply();
};
