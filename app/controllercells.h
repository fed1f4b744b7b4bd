#ifndef CONTROLLERCELLS_H
#define CONTROLLERCELLS_H

#include "device/channeldiff.h"
#include "device/channelrecord.h"
#include "device/columndefs.h"

#include <QString>
#include <QVector>
#include <bitset>

// The table's texts of what the connected controller holds, as this connection last read them
// or saw a write of them taken: the journal's old values.
class ControllerCells
{
public:
    ControllerCells();

    // A new connection: nothing is known.
    void clear();
    void channelRead(int channel, const ChannelRecord &record);
    void taken(const FieldChange &change);
    // "не прочитано" when the channel was not read in this connection.
    QString text(int channel, int column) const;

private:
    // By channel * COLUMN_COUNT + column.
    QVector<QString> texts;
    std::bitset<MAX_CHANNELS * COLUMN_COUNT> known;
};

#endif
