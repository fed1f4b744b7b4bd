#ifndef CHANNELFORMAT_H
#define CHANNELFORMAT_H

#include <QStringList>
#include <QVariant>

struct ChannelRecord;

// How the channel table draws a record: one value per column.
namespace ChannelFormat {

// Decimal places a record's scaled values are drawn and parsed with. The
// controller's field holds 0..3; a settings file may bring anything.
int decimalPlaces(const ChannelRecord &record);
double scaleFactor(const ChannelRecord &record);

// A raw field as a number, through float as the controller holds it.
double scaledValue(const ChannelRecord &record, int raw);
QString scaled(const ChannelRecord &record, int raw);
QString current(int raw);
// Integer columns hold integer data, all others texts.
QVariant cell(const ChannelRecord &record, int column);
// The texts a column shows from a fixed table; empty for columns of free values.
QStringList fixedTexts(int column);

} // namespace ChannelFormat

#endif
