#include "tools/tq17sim/replyshape.h"

#include "tools/tq17sim/crc16.h"

namespace {

constexpr char kReadHolding = 3;
constexpr char kReadInput = 4;
constexpr char kWriteMultiple = 16;
constexpr char kWriteSingle = 6;
constexpr int kWriteEchoSize = 8;

bool isRead(const QByteArray &body)
{
    return body.size() > 3 && (body[1] == kReadHolding || body[1] == kReadInput);
}

bool isWriteEcho(const QByteArray &body)
{
    return body.size() == kWriteEchoSize - 2 && body[1] == kWriteMultiple;
}

// The first `registers` registers of a read reply, its byte count saying so.
QByteArray cutRead(const QByteArray &body, int registers)
{
    const int asked = quint8(body[2]) / 2;
    const int kept = registers < asked ? registers : asked - 1;
    QByteArray cut = body.left(3 + 2 * kept);
    cut[2] = char(2 * kept);
    return cut;
}

QByteArray otherFunction(QByteArray body)
{
    switch (body[1]) {
    case kReadHolding: body[1] = kReadInput; break;
    case kReadInput: body[1] = kReadHolding; break;
    case kWriteMultiple: body[1] = kWriteSingle; break;
    default: break;
    }
    return body;
}

QByteArray withCrc(QByteArray body)
{
    const quint16 crc = Crc16::modbus(body);
    body.append(char(crc & 0xFF));
    body.append(char(crc >> 8));
    return body;
}

} // namespace

namespace ReplyShape {

QByteArray spoil(const QByteArray &reply, SimFault fault, int parameter)
{
    QByteArray body = reply.left(reply.size() - 2);
    switch (fault) {
    case SimFault::ShortRead:
        if (!isRead(body))
            return reply;
        body = cutRead(body, parameter);
        break;
    case SimFault::WrongByteCount:
        if (!isRead(body))
            return reply;
        body[2] = char(body[2] + 2);
        break;
    case SimFault::WrongSlave: body[0] = char(body[0] + 1); break;
    case SimFault::WrongFunction: body = otherFunction(body); break;
    case SimFault::ShortWriteEcho: {
        if (!isWriteEcho(body))
            return reply;
        const int echoed = (quint8(body[4]) << 8 | quint8(body[5])) - 1;
        body[4] = char(echoed >> 8);
        body[5] = char(echoed & 0xFF);
        break;
    }
    default: return reply;
    }
    return withCrc(body);
}

} // namespace ReplyShape
