#include "device/channelrecord.h"

#include "device/texttables.h"

ChannelRecord channelRecords[MAX_CHANNELS];

void setDefaultModuleTypes(int devType)
{
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        if (devType == 1)
            channelRecords[c].moduleType = MODULE_DORNA;
        else
            channelRecords[c].moduleType = c < 8 ? MODULE_INTERNAL : MODULE_NONE;
    }
}
