#pragma once

#include "link/rx_buffer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <cstdint>

// Serial line of the Modbus RTU master: one request frame out, one reply frame in.
class modbus_line : public QObject
{
    Q_OBJECT

public:
    // The port is the line's child, so it follows the line into the thread that does the work.
    modbus_line() { port.setParent(this); }

    static constexpr int TX_SIZE = 255;
    static constexpr int FIRST_BYTE_TIMEOUT_MS = 1000;
    static constexpr int RX_SIZE = rx_buffer::SIZE;

    bool openPort();
    void closePort();
    bool sendPkt();
    bool waitPkt();
    // Judges rxBuf as the reply to the request in txBuf; sets linkError.
    bool checkPkt();
    // Stores a reply as received into rxBuf and judges it; sets linkError.
    bool acceptReply(const QByteArray &bytes);

    static uint16_t crc16(const uint8_t *data, int length);

signals:
    void receivePkt();

public slots:
    void read();
    void handleError(QSerialPort::SerialPortError error);

public:
    bool isOpen = false;
    bool linkError = false;

protected:
    uint8_t txBuf[TX_SIZE] = {};

public:
    rx_buffer::Bytes rxBuf = {};
    int32_t rxLen = 0;

protected:
    int32_t rxExpected = 0;

public:
    QString portName;

protected:
    QByteArray rxAccum;

public:
    int32_t baudRate = 0;
    // How long a reply may take to begin; a search of the line shortens it.
    int firstByteTimeoutMs = FIRST_BYTE_TIMEOUT_MS;
    // A reply ends once the bytes its request calls for have come and passed the checks, not at
    // the silence after it; the next request then waits the inter-frame gap only.
    bool fastFrameEnd = false;

protected:
    uint8_t txLen = 0;
    QSerialPort port;

private:
    void connectPort();
    void disconnectPort();
    void collectReply();
    bool collectCalledFor();
    void collectUntilSilence();
    void awaitFrameGap() const;

    QElapsedTimer sinceReply;
};
