#include "tools/tq17sim/replysender.h"

#include "tools/tq17sim/crc16.h"
#include "tools/tq17sim/line.h"
#include "tools/tq17sim/replyshape.h"

#include <chrono>

namespace {

constexpr int kPieces = 3;
constexpr int kEndlessStepMs = 10;
constexpr char kEndlessByte = 0x55;

} // namespace

void ReplySender::send(const QByteArray &reply, const FaultPlan::Shot &fault,
                       const std::function<bool()> &keepGoing)
{
    if (reply.isEmpty())
        return;
    switch (fault.fault) {
    case SimFault::NoReply:
    case SimFault::StopAnswering: return;
    case SimFault::BadCrc: {
        QByteArray spoilt = reply;
        spoilt[spoilt.size() - 1] = char(spoilt.back() ^ 0xFF);
        line_.write(spoilt, baud_);
        return;
    }
    case SimFault::PiecesShortGaps:
    case SimFault::PiecesLongGaps: sendInPieces(reply, fault.parameter); return;
    case SimFault::OverlongReply: line_.write(overlong(reply, fault.parameter), baud_); return;
    case SimFault::EndlessLine: sendEndless(reply, fault.parameter, keepGoing); return;
    case SimFault::LateReply:
        if (line_.pause(fault.parameter))
            line_.write(reply, baud_);
        return;
    default: line_.write(ReplyShape::spoil(reply, fault.fault, fault.parameter), baud_); return;
    }
}

void ReplySender::sendInPieces(const QByteArray &reply, int gapMs)
{
    for (int i = 0; i < kPieces; ++i) {
        const int from = reply.size() * i / kPieces;
        const int to = reply.size() * (i + 1) / kPieces;
        if ((i > 0 && !line_.pause(gapMs)) || !line_.write(reply.mid(from, to - from), baud_))
            return;
    }
}

void ReplySender::sendEndless(const QByteArray &reply, int durationMs,
                              const std::function<bool()> &keepGoing)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs);
    bool going = line_.write(reply, baud_);
    while (going && keepGoing() && std::chrono::steady_clock::now() < end)
        going = line_.pause(kEndlessStepMs) && line_.write(QByteArray(1, kEndlessByte), baud_);
}

// Starts like the reply and ends in a valid CRC, so only its length gives it away.
QByteArray ReplySender::overlong(const QByteArray &reply, int length)
{
    QByteArray frame = reply.left(2);
    for (int i = frame.size(); i < length - 2; ++i)
        frame.append(char(i * 37));
    const quint16 crc = Crc16::modbus(frame);
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}
