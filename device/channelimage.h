#ifndef CHANNELIMAGE_H
#define CHANNELIMAGE_H

#include "device/registermap.h"

#include <array>

struct ChannelRecord;

// A channel's 50 holding registers, as read or as to be written.
using ChannelBlock = std::array<quint16, CHANNEL_BLOCK_SIZE>;

namespace ChannelImage {

// The record's fields a read of the block fills; the others are left as they are.
void decode(int devType, int channel, const ChannelBlock &block, ChannelRecord &record);
// The block a range write sends: the read block with the fields the tool owns taken from the
// record, so the registers it does not own keep the controller's values.
ChannelBlock encode(int devType, const ChannelRecord &record, ChannelBlock block);

} // namespace ChannelImage

#endif
