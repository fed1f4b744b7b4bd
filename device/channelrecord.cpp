#include "device/channelrecord.h"

ChannelRecord channelRecords[MAX_CHANNELS];
