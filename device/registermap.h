#ifndef REGISTERMAP_H
#define REGISTERMAP_H

#include <QtGlobal>

// Command interface of the controller: the argument goes to ARG_REG first,
// then writing the code to CMD_REG makes the controller act.
constexpr int CMD_REG = 32;
constexpr int ARG_REG = 33;

enum CommandCode : quint16 {
    CMD_SAVE_SETTINGS = 16,
    CMD_ARCHIVE_UPLOAD = 32,
    CMD_DIRECT_ACCESS = 35,
    CMD_SERIAL_LOW = 37,
    CMD_SERIAL_HIGH = 38,
    CMD_HW_VERSION = 39,
    CMD_WRITE_CHANNEL = 48,
};

constexpr quint16 HW_VERSIONS[2] = {0x0101, 0x0102};

// Input-register positions per device type (row 0: 32 channels, row 1: 64).
constexpr qint32 REG_BASES[2][10] = {
    {0, 1, 2, 3, 4, 36, 68, 100, 132, 164},
    {0, 1, 2, 3, 4, 68, 132, 196, 260, 324},
};
enum RegBaseEntry {
    BASE_SERIAL_HIGH = 1,
    BASE_SERIAL_LOW = 2,
    BASE_STATUS = 4,
    BASE_CONCENTRATION = 5,
    BASE_ADC = 6,
    BASE_PWM = 7,
};

// Device-wide holding registers.
constexpr int REG_CLOCK = 1; // low word; the high word follows
constexpr int REG_HW_VERSION = 7;
constexpr int REG_ENABLE_MASK = 12;
constexpr int DEVICE_INFO_COUNT[2] = {18, 24};
constexpr int ARCHIVE_INTERVAL_MASK[2] = {14, 16};
constexpr int ARCHIVE_DELTA_MASK[2] = {16, 20};
constexpr int MASK_WORDS[2] = {2, 4};
constexpr int CHANNEL_COUNTS[2] = {32, 64};

// Every channel owns a block of 50 holding registers.
constexpr int CHANNEL_BLOCK_SIZE = 50;
constexpr int channelBlock(int channel)
{
    return CHANNEL_BLOCK_SIZE * (channel + 1);
}

enum ChannelRegister {
    CH_SERIAL_HIGH = 1,
    CH_SERIAL_LOW = 2,
    CH_CONFIG = 3,
    CH_THRESHOLD1 = 4,
    CH_THRESHOLD2 = 5,
    CH_THRESHOLD3 = 6,
    CH_RANGE_MIN = 7,
    CH_RANGE_MAX = 8,
    CH_HYSTERESIS = 9,
    CH_DELAY = 10,
    CH_DAC_4MA = 11,
    CH_DAC_20MA = 12,
    CH_SW_BUILD = 13,
    CH_GAS_NAME = 14,
    CH_TAG = 22,
    CH_DEAD_ZONE = 31,
    CH_ARC_INTERVAL = 33,
    CH_ARC_DELTA = 34,
    CH_ADC_CAL = 35,
    CH_CONC_CAL = 36,
    CH_ADC_4MA = 37,
    CH_ADC_20MA = 38,
    CH_MODULE_ADDRESS = 45,
    CH_SW_VERSION = 46,
    CH_CURRENT_ALARM = 47,
    CH_CURRENT_INIT = 48,
    CH_CURRENT_SERVICE = 49,
};

// Fields of the configuration word; bits 6..9 and 14..15 belong to the controller.
constexpr quint16 CONFIG_UNIT_MASK = 0x000F;
constexpr quint16 CONFIG_DECIMALS_MASK = 0x0030;
constexpr int CONFIG_DECIMALS_SHIFT = 4;
constexpr quint16 CONFIG_MODULE_MASK = 0x3C00;
constexpr int CONFIG_MODULE_SHIFT = 10;

constexpr quint16 THRESHOLD_BELOW_BIT = 0x8000;
constexpr quint16 THRESHOLD_VALUE_MASK = 0x7FFF;

// Channels 1..8 of a 32-channel controller are its internal inputs.
constexpr int INTERNAL_CHANNELS_32K = 8;

#endif
