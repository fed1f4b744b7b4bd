#ifndef COMMISSIONINGREPORT_H
#define COMMISSIONINGREPORT_H

#include "device/channelrecord.h"
#include "journal/journal.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <bitset>

// What a commissioning report records: the controller as it was set up, for the site's
// acceptance papers.
struct ReportContent {
    // From the controller; empty when the settings come from a file.
    QString factoryNumber;
    QString hardwareVersion;
    QString controllerClock;
    QString port;
    int address = 0;
    // The settings file the channels come from; empty when they were read from the controller.
    QString settingsFile;
    QDateTime computerTime = QDateTime::currentDateTime();
    int devType = 0;
    int first = 0; // 0-based channel indices, both reported
    int last = 0;
    const ChannelRecord *records = nullptr;
    // Channels whose settings were read or loaded; the others hold defaults and are not reported.
    std::bitset<MAX_CHANNELS> known;
    // The journal entries of this controller for the day of the report, newest first.
    QVector<JournalEntry> entries;
};

// An A4 landscape PDF of the controller's identity, the settings columns of its channels as the
// channel table shows them, the day's journal and lines for the signatures.
namespace CommissioningReport {

// The columns a report shows for the device type: every settings column, no live values.
QVector<int> columns(int devType);
QString html(const ReportContent &content);
QByteArray pdf(const ReportContent &content);
// The report written whole or not at all; false when the file could not be written.
bool write(const QString &fileName, const ReportContent &content);

} // namespace CommissioningReport

#endif
