#include "device/devicetext.h"

namespace DeviceText {

quint32 clockSeconds(const QDate &date, const QTime &time)
{
    const QDateTime moment(date, QTime(time.hour(), time.minute(), time.second()), Qt::UTC);
    return static_cast<quint32>(moment.toSecsSinceEpoch());
}

QDateTime wallClock(quint32 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

QString clockText(quint32 seconds)
{
    return wallClock(seconds).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString notTakenLine(const QString &field, const QString &sent, const QString &held)
{
    return field + QStringLiteral(": записано ") + sent + QStringLiteral(", в контроллере ") + held;
}

QString hardwareVersion(quint16 version)
{
    return QString::asprintf("v.%02x.%02x", version >> 8, version & 0xFF);
}

} // namespace DeviceText
