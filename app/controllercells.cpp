#include "app/controllercells.h"

#include "device/channelformat.h"

ControllerCells::ControllerCells() : texts(MAX_CHANNELS * COLUMN_COUNT) {}

void ControllerCells::clear()
{
    known.reset();
}

void ControllerCells::channelRead(int channel, const ChannelRecord &record)
{
    for (int column = 0; column < COLUMN_COUNT; ++column) {
        texts[channel * COLUMN_COUNT + column] = ChannelFormat::cell(record, column).toString();
        known.set(size_t(channel * COLUMN_COUNT + column));
    }
}

void ControllerCells::taken(const FieldChange &change)
{
    texts[change.channel * COLUMN_COUNT + change.column] = change.after;
    known.set(size_t(change.channel * COLUMN_COUNT + change.column));
}

QString ControllerCells::text(int channel, int column) const
{
    const int index = channel * COLUMN_COUNT + column;
    return known[size_t(index)] ? texts.at(index) : QStringLiteral("не прочитано");
}
