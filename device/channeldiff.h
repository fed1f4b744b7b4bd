#ifndef CHANNELDIFF_H
#define CHANNELDIFF_H

#include <QString>
#include <QVector>

struct ChannelRecord;

// One field of a channel that differs between two records, with the texts the channel table
// shows for each.
struct FieldChange {
    int channel = 0; // 0-based
    int column = 0;
    QString before;
    QString after;
};

// Compares channel records in the fields a range write sends, as the controller stores them:
// a difference the write would not carry (a mask bit, a live value) is no change.
namespace ChannelDiff {

// A column header on one line, as a message or a journal names the field.
QString columnTitle(int column);
// The written fields of the channel in which the records differ, in column order.
QVector<FieldChange> writtenFields(int devType, int channel, const ChannelRecord &before,
                                   const ChannelRecord &after);
// "Канал 03, Порог1: 10.0 → 12.5"
QString describe(const FieldChange &change);

} // namespace ChannelDiff

#endif
