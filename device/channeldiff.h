#ifndef CHANNELDIFF_H
#define CHANNELDIFF_H

#include <QString>
#include <QVector>

#include "device/channelimage.h"

// One field of a channel that differs between two records, with the texts the channel table
// shows for each.
struct FieldChange {
    int channel = 0; // 0-based
    int column = 0;
    QString before;
    QString after;
};

// Compares channel blocks in the registers a range write sends: every register bit the write
// changes is a change, named by the column that shows it.
namespace ChannelDiff {

// A column header on one line, as a message or a journal names the field.
QString columnTitle(int column);
// The written fields in which the blocks differ, in column order, with the table's texts; where
// those are equal, the field's register values.
QVector<FieldChange> blockChanges(int devType, int channel, const ChannelBlock &held,
                                  const ChannelBlock &sent);
// "Канал 03, Порог1: 10.0 → 12.5"
QString describe(const FieldChange &change);

} // namespace ChannelDiff

#endif
