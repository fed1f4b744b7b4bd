#ifndef RANGEWRITE_H
#define RANGEWRITE_H

#include "device/channeldiff.h"
#include "device/channelimage.h"
#include "device/channelrecord.h"

#include <QVector>
#include <array>

class ControllerLink;

// A range write as the user sees it listed: the controller's blocks as read before the list,
// and the blocks to be sent, made from the records when the list is made. Only channels with a
// listed change are written, and only while the controller still holds what was listed.
class RangeWrite
{
public:
    // first and last: 0-based channel indices, both written; cut to the device's channels.
    RangeWrite(int devType, int first, int last);

    int devType() const { return type; }
    int first() const { return firstChannel; }
    int last() const { return lastChannel; }
    ChannelBlock &held(int channel) { return heldBlocks[size_t(channel)]; }

    // The blocks to send and the changes, from the records as they are now.
    void list(const ChannelRecord *records);
    // True while the records still make the listed blocks.
    bool listedFrom(const ChannelRecord *records) const;
    const QVector<FieldChange> &changes() const { return listed; }
    QVector<FieldChange> changesOf(int channel) const;

    enum class Outcome { Written, ControllerChanged, LinkFailed };
    // Reads the channel again, writes its block when the controller still holds the listed one
    // and reads it back: refused gets the fields the controller did not take.
    Outcome writeChannel(ControllerLink &link, int channel, QVector<FieldChange> &refused) const;

private:
    int type;
    int firstChannel;
    int lastChannel;
    std::array<ChannelBlock, MAX_CHANNELS> heldBlocks{};
    std::array<ChannelBlock, MAX_CHANNELS> sentBlocks{};
    QVector<FieldChange> listed;
};

#endif
