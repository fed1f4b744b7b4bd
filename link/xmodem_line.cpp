#include "link/xmodem_line.h"

#include "link/serial_port.h"

namespace {

constexpr int WRITE_TIMEOUT_MS = 10;
constexpr int FIRST_BYTE_TIMEOUT_MS = 200;
constexpr int NEXT_BYTES_TIMEOUT_MS = 10;
constexpr int NEXT_BYTES_WAITS = 100;
constexpr int DATA_OFFSET = 3;

} // namespace

bool xmodem_line::openPort()
{
    if (isOpen)
        closePort();
    isOpen = openSerialPort(port, portName, BAUD_RATE);
    linkError = !isOpen;
    if (isOpen)
        connect(&port, &QSerialPort::errorOccurred, this, &xmodem_line::handleError);
    return isOpen;
}

void xmodem_line::closePort()
{
    if (isOpen) {
        port.close();
        isOpen = false;
    }
    disconnect(&port, &QSerialPort::errorOccurred, this, &xmodem_line::handleError);
}

int xmodem_line::transfer(uint8_t control, int expected)
{
    txBuf[0] = control;
    txLen = 1;
    sendPkt();
    rxExpected = expected;
    rxLen = 0;
    if (waitPkt())
        return rxLen;
    rxLen = -1;
    return -1;
}

void xmodem_line::cancel(int quietMs)
{
    txBuf[0] = CAN;
    txBuf[1] = CAN;
    txLen = 2;
    sendPkt();
    if (!isOpen)
        return;
    port.waitForBytesWritten(WRITE_TIMEOUT_MS);
    // A sender still talking after a full block's time is not giving up; stop waiting then.
    for (int i = 0; i < NEXT_BYTES_WAITS && port.waitForReadyRead(quietMs); ++i)
        port.readAll();
    port.readAll();
}

bool xmodem_line::sendPkt()
{
    rxLen = 0;
    if (!isOpen)
        return false;
    rx_buffer::clearForRequest(rxAccum, rxBuf);
    port.write(reinterpret_cast<const char *>(txBuf), txLen);
    return true;
}

bool xmodem_line::waitPkt()
{
    rx_buffer::clearForRequest(rxAccum, rxBuf);
    if (isOpen)
        collectReply();
    return acceptBlock(rxAccum);
}

void xmodem_line::collectReply()
{
    port.waitForBytesWritten(WRITE_TIMEOUT_MS);
    if (rxExpected != 0)
        port.waitForReadyRead(FIRST_BYTE_TIMEOUT_MS);
    rxAccum = port.readAll();
    for (int i = 0; i < NEXT_BYTES_WAITS && rxAccum.size() < rxExpected; ++i) {
        port.waitForReadyRead(NEXT_BYTES_TIMEOUT_MS);
        rxAccum += port.readAll();
        if (!rxAccum.isEmpty() && static_cast<uint8_t>(rxAccum.at(0)) == EOT)
            rxExpected = 1;
    }
}

bool xmodem_line::acceptBlock(const QByteArray &bytes)
{
    rxLen = rx_buffer::store(rxBuf, bytes, BLOCK_SIZE);
    bool ok;
    if (rxExpected == 0)
        ok = rxLen == 0;
    else
        ok = rxLen == rxExpected && (rxExpected == 1 || checkBlock());
    linkError = !ok;
    return ok;
}

bool xmodem_line::checkBlock()
{
    const int n = rxLen;
    bool ok = n >= DATA_OFFSET + 2 && n <= rx_buffer::SIZE;
    if (ok) {
        const uint16_t crc = crc16Xmodem(rxBuf + DATA_OFFSET, n - DATA_OFFSET - 2);
        ok = rxBuf[n - 2] == (crc >> 8) && rxBuf[n - 1] == (crc & 0xFF);
    }
    linkError = !ok;
    return ok;
}

uint16_t xmodem_line::crc16Xmodem(const uint8_t *data, int length)
{
    uint16_t crc = 0;
    for (int i = 0; i < length; ++i) {
        crc ^= static_cast<uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

void xmodem_line::handleError(QSerialPort::SerialPortError error)
{
    Q_UNUSED(error)
}
