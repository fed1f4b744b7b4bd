#include "tools/tq17sim/xmodemsender.h"

#include "tools/tq17sim/crc16.h"
#include "tools/tq17sim/line.h"

#include <chrono>

namespace {

constexpr char kSoh = 0x01;
constexpr char kStx = 0x02;
constexpr char kEot = 0x04;
constexpr int kAck = 0x06;
constexpr int kNak = 0x15;
constexpr int kCancel = 0x18;
constexpr int kStart = 'C';
constexpr int kBlockSize = 1024;
constexpr int kShortBlockSize = 128;
constexpr int kStartTimeoutMs = 3000;
constexpr int kAckTimeoutMs = 2000;
constexpr int kAttempts = 10;
constexpr int kCancelGapMs = 20;
constexpr int kTrailingStepMs = 10;
constexpr char kTrailingByte = 0x55;
const QByteArray kStrayBytes("\x55\xAA\x13", 3);

} // namespace

bool XmodemSender::send(const QByteArray &archive, const FaultPlan::Shot &fault)
{
    if (!awaitStart() || fault.fault == SimFault::XmSilence)
        return false;
    const int blocks =
        fault.fault == SimFault::XmEotAtOnce ? 0 : (archive.size() + kBlockSize - 1) / kBlockSize;
    for (int number = 1; number <= blocks; ++number) {
        if (!deliver(block(archive, number, fault)))
            return false;
    }
    if (!deliver(QByteArray(1, kEot)))
        return false;
    if (fault.fault == SimFault::XmTrailingBytes)
        sendTrailing(fault.parameter);
    return true;
}

// A controller still leaving transfer mode: it talks on, and serves no request meanwhile.
void XmodemSender::sendTrailing(int durationMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs);
    while (std::chrono::steady_clock::now() < end && line_.pause(kTrailingStepMs) &&
           line_.write(QByteArray(1, kTrailingByte), baud_)) {
    }
}

bool XmodemSender::awaitStart()
{
    if (line_.peek(kStartTimeoutMs) != kStart)
        return false;
    line_.drop(1);
    return true;
}

bool XmodemSender::deliver(const QByteArray &frame)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!line_.write(frame, baud_))
            return false;
        const int answer = line_.peek(kAckTimeoutMs);
        if (answer == kCancel) {
            // The receiver gave up: its cancels are consumed, not taken for a request.
            while (line_.peek(kCancelGapMs) == kCancel)
                line_.drop(1);
            return false;
        }
        if (answer != kAck && answer != kNak)
            return false;
        line_.drop(1);
        if (answer == kAck)
            return true;
    }
    return false;
}

QByteArray XmodemSender::block(const QByteArray &archive, int number, const FaultPlan::Shot &fault)
{
    const bool struck = fault.parameter == number;
    const bool shortBlock = struck && fault.fault == SimFault::XmShortBlock;
    const int size = shortBlock ? kShortBlockSize : kBlockSize;
    QByteArray data = archive.mid((number - 1) * kBlockSize, size);
    // Zero padding reads as empty record slots.
    data.append(size - data.size(), '\0');
    quint16 crc = Crc16::xmodem(data);
    if (struck && fault.fault == SimFault::XmBadBlockCrc)
        crc ^= 0xFFFF;

    QByteArray frame;
    frame.append(shortBlock ? kSoh : kStx);
    frame.append(char(number));
    frame.append(char(~number));
    frame += data;
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
    if (struck && fault.fault == SimFault::XmStrayBytes)
        frame += kStrayBytes;
    return frame;
}
