#include "link/modbus_line.h"

#include "link/reply_check.h"
#include "link/serial_port.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

namespace {

constexpr int WRITE_TIMEOUT_MS = 800;
constexpr int SILENCE_MS = 50;
// A full buffer takes this long at 1200 baud, the slowest rate offered; a line still
// talking after that (or after more bytes than the buffer holds) is not answering us.
constexpr int REPLY_TIME_CAP_MS = modbus_line::RX_SIZE * 10 * 1000 / 1200;
// Between frames the line stays quiet for 3.5 characters of 10 bits, and never less than this.
constexpr qint64 MIN_FRAME_GAP_NS = 1750000;
// How soon a stop ends a wait for the controller.
constexpr int STOP_CHECK_MS = 10;
// The reply to an abandoned request may still be on its way; the next request waits this long
// after it, so that the two replies do not run together.
constexpr int ABANDONED_REPLY_QUIET_MS = 100;

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
    portFailing = false;
    disconnectPort();
}

// After a stop nothing more goes to the controller.
bool modbus_line::sendPkt()
{
    rxLen = 0;
    if (stopRequested())
        return false;
    if (!isOpen) {
        rxAccum.clear();
        recordExchange(TrafficResult::Refused);
        return false;
    }
    if (replyAbandoned) {
        discardUntilQuiet(ABANDONED_REPLY_QUIET_MS);
        replyAbandoned = false;
    }
    rx_buffer::clearForRequest(rxAccum, rxBuf);
    if (fastFrameEnd && !awaitFrameGap())
        return false;
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
    const bool accepted = acceptReply(rxAccum);
    if (!replyAbandoned)
        recordExchange(judged(accepted));
    return accepted;
}

TrafficResult modbus_line::judged(bool accepted) const
{
    if (accepted)
        return TrafficResult::Ok;
    if (rxAccum.isEmpty())
        return TrafficResult::NoReply;
    if (rxAccum.size() > RX_SIZE)
        return TrafficResult::WrongReply;
    if (!reply_check::crcHolds(rxBuf, rxLen))
        return TrafficResult::Crc;
    return reply_check::refuses(txBuf, rxBuf, rxLen) ? TrafficResult::Exception
                                                     : TrafficResult::WrongReply;
}

void modbus_line::recordExchange(TrafficResult result)
{
    if (!traffic)
        return;
    TrafficEntry entry;
    entry.time = QTime::currentTime();
    entry.request = QByteArray(reinterpret_cast<const char *>(txBuf), txLen);
    entry.reply = rxAccum;
    entry.result = result;
    traffic->record(std::move(entry));
}

void modbus_line::collectReply()
{
    replyAbandoned = stopRequested();
    if (replyAbandoned)
        return;
    port.waitForBytesWritten(WRITE_TIMEOUT_MS);
    if (fastFrameEnd) {
        if (collectCalledFor())
            return;
    } else {
        waitForBytes(firstByteTimeoutMs);
        rxAccum = port.readAll();
    }
    collectUntilSilence();
}

// A pause shorter than the first-byte time-out does not end the reply here; its length does.
// A reply that does not pass at that length is left to end at the silence after it.
bool modbus_line::collectCalledFor()
{
    const auto *reply = reinterpret_cast<const uint8_t *>(rxAccum.constData());
    int length = reply_check::lengthCalledFor(txBuf, reply, 0);
    QElapsedTimer running;
    running.start();
    while (rxAccum.size() < length && running.elapsed() < REPLY_TIME_CAP_MS &&
           waitForBytes(firstByteTimeoutMs)) {
        rxAccum += port.readAll();
        reply = reinterpret_cast<const uint8_t *>(rxAccum.constData());
        length = reply_check::lengthCalledFor(txBuf, reply, rxAccum.size());
    }
    const bool whole =
        rxAccum.size() >= length && reply_check::crcHolds(reply, length) &&
        (reply_check::answers(txBuf, reply, length) || reply_check::refuses(txBuf, reply, length));
    if (!whole)
        return false;
    // Whatever follows it is not part of it; the next request discards it.
    rxAccum.truncate(length);
    sinceReply.start();
    return true;
}

void modbus_line::collectUntilSilence()
{
    QElapsedTimer running;
    running.start();
    while (rxAccum.size() <= RX_SIZE && running.elapsed() < REPLY_TIME_CAP_MS &&
           waitForBytes(SILENCE_MS))
        rxAccum += port.readAll();
    replyAbandoned = stopRequested();
    sinceReply.start();
}

// The gap runs from the reply's end, so work done on the reply meanwhile costs nothing. Bytes
// after the reply (noise, a converter's leftovers) keep the line busy: they are thrown away and
// the gap starts again, or the request would talk over them and its reply begin with them.
// False when a stop came meanwhile.
bool modbus_line::awaitFrameGap()
{
    if (!sinceReply.isValid() || baudRate <= 0)
        return true;
    const qint64 gapNs = std::max(MIN_FRAME_GAP_NS, 35 * 1000000000LL / baudRate);
    disconnect(&port, &QSerialPort::readyRead, this, &modbus_line::read);
    QElapsedTimer running;
    running.start();
    // A line still talking after the longest reply's time does not fall quiet by waiting.
    while (running.elapsed() < REPLY_TIME_CAP_MS && !stopRequested()) {
        const qint64 left = gapNs - sinceReply.nsecsElapsed();
        if (left > 0)
            QThread::usleep(static_cast<unsigned long>((left + 999) / 1000));
        if (!port.waitForReadyRead(0))
            break;
        port.readAll();
        sinceReply.start();
    }
    connect(&port, &QSerialPort::readyRead, this, &modbus_line::read);
    return !stopRequested();
}

bool modbus_line::waitForBytes(int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!stopRequested()) {
        if (port.waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), STOP_CHECK_MS))))
            return true;
        // Any error but a time-out is a port that brings nothing more.
        if (port.error() != QSerialPort::TimeoutError || deadline.hasExpired())
            return false;
    }
    return false;
}

void modbus_line::discardUntilQuiet(int quietMs)
{
    if (!isOpen)
        return;
    disconnect(&port, &QSerialPort::readyRead, this, &modbus_line::read);
    QElapsedTimer running;
    running.start();
    // A line still talking after the longest reply's time does not fall quiet by waiting.
    while (running.elapsed() < REPLY_TIME_CAP_MS && waitForBytes(quietMs))
        port.readAll();
    connect(&port, &QSerialPort::readyRead, this, &modbus_line::read);
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

// A pulled adapter or a hung-up line fails every read from then on, and the port may go on
// signalling it without end. It is closed from the event loop, not from inside the port's own
// handling; an exchange under way meets the failure itself and ends.
void modbus_line::handleError(QSerialPort::SerialPortError error)
{
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || portFailing)
        return;
    portFailing = true;
    QMetaObject::invokeMethod(this, &modbus_line::closeFailedPort, Qt::QueuedConnection);
}

// A read the port was woken for may find nothing once, after the bytes went to an exchange;
// a port that still waits for bytes is well.
void modbus_line::closeFailedPort()
{
    if (!portFailing)
        return; // closed, or closed and opened again, meanwhile
    if (port.waitForReadyRead(0) || port.error() == QSerialPort::TimeoutError) {
        portFailing = false;
        return;
    }
    closePort();
    linkError = true;
    emit portFailed();
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
