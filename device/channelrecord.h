#ifndef CHANNELRECORD_H
#define CHANNELRECORD_H

#include <QtGlobal>
#include <cstddef>
#include <cstdint>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "channel records are stored as little-endian images of memory");

// Mirror of one controller channel. The byte layout is the settings file
// format, so it is fixed: packed, little-endian, 1024 bytes.
#pragma pack(push, 1)
struct ChannelRecord {
    uint8_t edited;
    uint8_t active;
    int32_t enabled;
    int32_t moduleType;
    char tag[16];
    uint8_t reserved1[4];
    uint16_t status;
    int32_t concentration;
    int32_t unit;
    int32_t decimals;
    char gasName[16];
    uint8_t reserved2[4];
    int32_t adcValue;
    int32_t pwmValue;
    int32_t rangeMin;
    int32_t rangeMax;
    int32_t thr1Type;
    int32_t thr1;
    int32_t thr2Type;
    int32_t thr2;
    int32_t thr3Type;
    int32_t thr3;
    int32_t hysteresis;
    int32_t delay;
    int32_t deadZone;
    int32_t dac4mA;
    int32_t dac20mA;
    int32_t arcMode;
    int32_t arcInterval;
    int32_t arcDelta;
    int32_t adcCal;
    int32_t concCal;
    int32_t adc4mA;
    int32_t adc20mA;
    int32_t currentAlarm;
    int32_t currentInit;
    int32_t currentService;
    int32_t moduleAddress;
    int32_t swVersion;
    int32_t swBuild;
    uint32_t serialNo;
    uint8_t reserved3[844];
};
#pragma pack(pop)

static_assert(sizeof(ChannelRecord) == 1024, "a channel record is 1024 bytes");
static_assert(offsetof(ChannelRecord, enabled) == 2);
static_assert(offsetof(ChannelRecord, tag) == 10);
static_assert(offsetof(ChannelRecord, status) == 30);
static_assert(offsetof(ChannelRecord, unit) == 36);
static_assert(offsetof(ChannelRecord, gasName) == 44);
static_assert(offsetof(ChannelRecord, adcValue) == 64);
static_assert(offsetof(ChannelRecord, rangeMin) == 72);
static_assert(offsetof(ChannelRecord, thr1Type) == 80);
static_assert(offsetof(ChannelRecord, thr3) == 100);
static_assert(offsetof(ChannelRecord, arcMode) == 124);
static_assert(offsetof(ChannelRecord, currentAlarm) == 152);
static_assert(offsetof(ChannelRecord, moduleAddress) == 164);
static_assert(offsetof(ChannelRecord, serialNo) == 176);
static_assert(offsetof(ChannelRecord, reserved3) == 180);

constexpr int MAX_CHANNELS = 64;
extern ChannelRecord channelRecords[MAX_CHANNELS];

// The module types the records show for a device type (0: 32 channels, 1: 64) until their
// channels are read: a connection starts from them.
void setDefaultModuleTypes(int devType);

#endif
