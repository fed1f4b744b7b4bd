#include "controller/rangewrite.h"

#include "controller/controllerlink.h"

#include <algorithm>

RangeWrite::RangeWrite(int devType, int first, int last)
    : type(devType == 1 ? 1 : 0), firstChannel(std::max(first, 0)),
      lastChannel(std::min(last, CHANNEL_COUNTS[type] - 1))
{
}

void RangeWrite::list(const ChannelRecord *records)
{
    listed.clear();
    for (int c = firstChannel; c <= lastChannel; ++c) {
        sentBlocks[size_t(c)] = ChannelImage::encode(type, records[c], heldBlocks[size_t(c)]);
        listed += ChannelDiff::blockChanges(type, c, heldBlocks[size_t(c)], sentBlocks[size_t(c)]);
    }
}

bool RangeWrite::listedFrom(const ChannelRecord *records) const
{
    for (int c = firstChannel; c <= lastChannel; ++c) {
        if (ChannelImage::encode(type, records[c], heldBlocks[size_t(c)]) != sentBlocks[size_t(c)])
            return false;
    }
    return true;
}

QVector<FieldChange> RangeWrite::changesOf(int channel) const
{
    QVector<FieldChange> changes;
    std::copy_if(listed.begin(), listed.end(), std::back_inserter(changes),
                 [channel](const FieldChange &change) { return change.channel == channel; });
    return changes;
}

// The read is the one a write of a block needs anyway; comparing it with the listed block
// keeps a change made meanwhile (by a cell edit or another master) from being overwritten.
RangeWrite::Outcome RangeWrite::writeChannel(ControllerLink &link, int channel,
                                             QVector<FieldChange> &refused) const
{
    ChannelBlock now;
    if (!link.readBlock(channel, now))
        return Outcome::LinkFailed;
    if (now != heldBlocks[size_t(channel)])
        return Outcome::ControllerChanged;
    const ChannelBlock &sent = sentBlocks[size_t(channel)];
    link.writeBlock(channel, sent);
    ChannelBlock readBack;
    if (link.linkError() || !link.readBlock(channel, readBack))
        return Outcome::LinkFailed;
    refused = ChannelDiff::blockChanges(type, channel, sent, readBack);
    return Outcome::Written;
}
