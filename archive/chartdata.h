#ifndef CHARTDATA_H
#define CHARTDATA_H

#include "archive/archiverecord.h"

#include <QString>
#include <QVector>

struct ChannelRecord;

// What the archive chart draws, worked out from records and settings without any widget.
// Times are archive times: the controller's wall clock counted as if it were UTC.
namespace ChartData {

struct Series {
    QVector<double> times;  // ascending
    QVector<double> values; // as the channel table shows them
    QString unit;           // of the first valid record; empty when there is none
};

// The valid records, in time order: a wrapped archive holds its oldest records after the newest.
Series series(const ArchiveRecord *records, int count);

struct Threshold {
    double value;
    QString label; // "Порог1 Превыш."
};

// Порог1..Порог3 of the channel, scaled as the channel table shows them.
QVector<Threshold> thresholds(const ChannelRecord &settings);

struct EventMark {
    double time;
    QString text; // moment, event name and, for events that carry one, value and unit
};

// The valid events of the channel and of the controller itself (channel 0), in time order.
QVector<EventMark> events(const ArchiveRecord *records, int count, int channel);

} // namespace ChartData

#endif
