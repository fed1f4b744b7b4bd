#pragma once

#include "link/rx_buffer.h"
#include "link/traffic_log.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <atomic>
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

    // While *flag is set (from any thread), the exchange in progress is abandoned and no later
    // request is sent. Null: exchanges run to their end.
    void setStopFlag(const std::atomic<bool> *flag) { stopFlag = flag; }
    // Throws away what arrives until the line has been quiet for quietMs.
    void discardUntilQuiet(int quietMs);

    static uint16_t crc16(const uint8_t *data, int length);

signals:
    void receivePkt();
    // The open port failed (the adapter was pulled, the line hung up); it is closed now.
    void portFailed();

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
    // Where each exchange is told, when someone watches the line.
    traffic_log *traffic = nullptr;

protected:
    uint8_t txLen = 0;
    QSerialPort port;

private:
    void connectPort();
    void disconnectPort();
    void collectReply();
    bool collectCalledFor();
    void collectUntilSilence();
    bool awaitFrameGap();
    void recordExchange(TrafficResult result);
    TrafficResult judged(bool accepted) const;

    QElapsedTimer sinceReply;

    bool stopRequested() const { return stopFlag && *stopFlag; }
    // Waits up to ms for bytes, looking at the stop flag between short waits; false on a stop,
    // a time-out or a failed port.
    bool waitForBytes(int ms);
    void closeFailedPort();

    const std::atomic<bool> *stopFlag = nullptr;
    // A port error was seen and the port not yet closed for it.
    bool portFailing = false;
    // A stop ended the last exchange, whose reply may still come; kept across a reopening.
    bool replyAbandoned = false;
};
