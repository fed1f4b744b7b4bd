#include "link/traffic_log.h"

#include <utility>

namespace {

// A window that stops taking must not make the line's memory grow without end.
constexpr int PENDING_CAP = 10000;

int word(const QByteArray &bytes, int at)
{
    return quint8(bytes.at(at)) << 8 | quint8(bytes.at(at + 1));
}

} // namespace

int TrafficEntry::exceptionCode() const
{
    return result == TrafficResult::Exception && reply.size() >= 3 ? quint8(reply.at(2)) : 0;
}

QString TrafficEntry::functionText() const
{
    if (request.size() < 2)
        return QString();
    return QStringLiteral("%1").arg(quint8(request.at(1)), 2, 16, QLatin1Char('0')).toUpper();
}

int TrafficEntry::firstRegister() const
{
    return request.size() >= 6 ? word(request, 2) : -1;
}

int TrafficEntry::registerCount() const
{
    return request.size() >= 6 ? word(request, 4) : -1;
}

QString TrafficEntry::resultText() const
{
    if (result == TrafficResult::Exception)
        return resultText(result) + QLatin1Char(' ') + QString::number(exceptionCode());
    if (result == TrafficResult::Transfer)
        return note;
    return resultText(result);
}

QString TrafficEntry::resultText(TrafficResult result)
{
    switch (result) {
    case TrafficResult::Ok: return QStringLiteral("OK");
    case TrafficResult::NoReply: return QStringLiteral("Нет ответа");
    case TrafficResult::Crc: return QStringLiteral("Ошибка CRC");
    case TrafficResult::WrongReply: return QStringLiteral("Неверный ответ");
    case TrafficResult::Exception: return QStringLiteral("Исключение");
    case TrafficResult::Refused: return QStringLiteral("Порт не передал запрос");
    case TrafficResult::Transfer: return QStringLiteral("XMODEM");
    }
    return QString();
}

QString TrafficEntry::hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString TrafficEntry::line() const
{
    const auto number = [](int value) { return value < 0 ? QString() : QString::number(value); };
    return QStringList{time.toString(QStringLiteral("HH:mm:ss.zzz")), hex(request), hex(reply),
                       functionText(), number(firstRegister()), number(registerCount()),
                       resultText()}
        .join(QLatin1Char('\t'));
}

void traffic_log::record(TrafficEntry entry)
{
    std::lock_guard<std::mutex> guard(lock);
    if (pending.size() >= PENDING_CAP)
        pending.removeFirst();
    pending.append(std::move(entry));
}

QVector<TrafficEntry> traffic_log::take()
{
    std::lock_guard<std::mutex> guard(lock);
    return std::exchange(pending, {});
}
