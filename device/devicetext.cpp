#include "device/devicetext.h"

#include <QRegularExpression>

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

// Digits only: a sign, spaces or a letter make no number rather than part of one.
bool parseFactoryNumber(const QString &text, quint32 &number)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!digits.match(text).hasMatch() || !ok || value > 0xFFFFFFFFu)
        return false;
    number = quint32(value);
    return true;
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
