#include "link/modbus_line.h"

#include "link/reply_check.h"
#include "link/serial_port.h"

#include <QElapsedTimer>

namespace {

constexpr int WRITE_TIMEOUT_MS = 800;
constexpr int SILENCE_MS = 50;
// A full buffer takes this long at 1200 baud, the slowest rate offered; a line still
// talking after that (or after more bytes than the buffer holds) is not answering us.
constexpr int REPLY_TIME_CAP_MS = modbus_line::RX_SIZE * 10 * 1000 / 1200;

} // namespace

bool modbus_line::openPort()
{
    if (isOpen)
        closePort();
    isOpen = openSerialPort(port, portName, baudRate);
    linkError = !isOpen;
    if (isOpen)
        connectPort();
    return isOpen;
}

void modbus_line::closePort()
{
    if (isOpen) {
        port.close();
        isOpen = false;
    }
    disconnectPort();
}

bool modbus_line::sendPkt()
{
    rxLen = 0;
    if (!isOpen)
        return false;
    rx_buffer::clearForRequest(rxAccum, rxBuf);
    // A late reply to an earlier request must not pass for the answer to this one.
    port.clear(QSerialPort::Input);
    port.write(reinterpret_cast<const char *>(txBuf), txLen);
    return true;
}

bool modbus_line::waitPkt()
{
    // QSerialPort emits readyRead from inside its own waits; read() must not take the reply.
    disconnect(&port, &QSerialPort::readyRead, this, &modbus_line::read);
    rx_buffer::clearForRequest(rxAccum, rxBuf);
    if (isOpen) {
        collectReply();
        connect(&port, &QSerialPort::readyRead, this, &modbus_line::read);
    }
    return acceptReply(rxAccum);
}

void modbus_line::collectReply()
{
    port.waitForBytesWritten(WRITE_TIMEOUT_MS);
    port.waitForReadyRead(firstByteTimeoutMs);
    rxAccum = port.readAll();
    QElapsedTimer running;
    running.start();
    while (rxAccum.size() <= RX_SIZE && running.elapsed() < REPLY_TIME_CAP_MS &&
           port.waitForReadyRead(SILENCE_MS))
        rxAccum += port.readAll();
}

bool modbus_line::acceptReply(const QByteArray &bytes)
{
    rxLen = rx_buffer::store(rxBuf, bytes, RX_SIZE);
    if (rxLen == 0 || bytes.size() > RX_SIZE) {
        linkError = true;
        return false;
    }
    return checkPkt();
}

// An exception reply fails too: none of the operations can use it.
bool modbus_line::checkPkt()
{
    const int n = rxLen;
    const bool ok =
        n <= RX_SIZE && reply_check::crcHolds(rxBuf, n) && reply_check::answers(txBuf, rxBuf, n);
    linkError = !ok;
    return ok;
}

uint16_t modbus_line::crc16(const uint8_t *data, int length)
{
    uint16_t crc = 0xFFFF;
    for (int i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

void modbus_line::read()
{
    rxAccum += port.readAll();
    if (port.error() != QSerialPort::NoError)
        port.clearError();
    if (rxAccum.size() < rxExpected)
        return;
    if (acceptReply(rxAccum))
        emit receivePkt();
}

void modbus_line::handleError(QSerialPort::SerialPortError error)
{
    Q_UNUSED(error)
}

void modbus_line::connectPort()
{
    connect(&port, &QSerialPort::readyRead, this, &modbus_line::read);
    connect(&port, &QSerialPort::errorOccurred, this, &modbus_line::handleError);
}

void modbus_line::disconnectPort()
{
    disconnect(&port, &QSerialPort::readyRead, this, &modbus_line::read);
    disconnect(&port, &QSerialPort::errorOccurred, this, &modbus_line::handleError);
}
