#ifndef DEVICETEXT_H
#define DEVICETEXT_H

#include <QDateTime>
#include <QString>

// The controller's clock and hardware version as the window shows them. The controller counts
// local wall-clock time in seconds as if it were UTC.
namespace DeviceText {

// The date and time as read on a wall clock, whatever time zone the value carries.
quint32 clockSeconds(const QDate &date, const QTime &time);
// The wall-clock date and time of the controller's seconds, with whole seconds.
QDateTime wallClock(quint32 seconds);
// "dd.MM.yyyy HH:mm:ss", as the window's date and time fields show it.
QString clockText(quint32 seconds);
// A factory number typed as an unsigned decimal number of 32 bits; false for any other text.
bool parseFactoryNumber(const QString &text, quint32 &number);
// A line of "Контроллер не принял значения": the field, what was written and what it holds.
QString notTakenLine(const QString &field, const QString &sent, const QString &held);
// "v.01.02"
QString hardwareVersion(quint16 version);

} // namespace DeviceText

#endif
