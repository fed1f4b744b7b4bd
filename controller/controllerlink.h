#ifndef CONTROLLERLINK_H
#define CONTROLLERLINK_H

#include "device/channelimage.h"
#include "device/channelrecord.h"
#include "device/registermap.h"

#include <QVector>
#include <QtGlobal>

class modbus;

// A change to the controller's registers: words written as they are, bits of one register
// changed by a read-modify-write, or one channel's bit in a mask (with a second mask after it).
struct RegisterPatch {
    enum class Kind { Words, Bits, MaskBit };
    Kind kind = Kind::Words;
    int address = 0;
    QVector<quint16> words;
    quint16 mask = 0;
    quint16 value = 0;
    int channel = 0;
    bool set = false;
    bool withSecond = false;
    bool secondSet = false;
};

// Device-wide values of the first holding registers.
struct DeviceInfo {
    quint32 clock = 0; // local wall-clock time counted as if it were UTC
    quint16 hwVer = 0;
};

// The register exchanges with the connected controller over the Modbus line it is given.
// They take and return plain data and never report errors themselves: like every exchange,
// each leaves the outcome of its last reply in linkError(), which the caller checks when it
// must. A failed read leaves the records as they were.
class ControllerLink
{
public:
    // devType 0: 32 channels, 1: 64 channels.
    explicit ControllerLink(modbus &line, int devType = 0);

    int devType() const { return type; }
    int channelCount() const { return CHANNEL_COUNTS[type]; }
    bool linkError() const;

    // Function-4 read of the identity block; true with the factory number unless the reply failed.
    bool readFactoryNumber(quint32 &number);
    // Clock, hardware version and the channels' state and archive-mode bits.
    void readDeviceInfo(DeviceInfo &info, ChannelRecord *records);
    // Status, concentration, ADC and PWM values of every channel; stops at a failed reply.
    void readLiveValues(ChannelRecord *records);
    void readChannel(int channel, ChannelRecord &record);
    // The channel's registers as they are; false when the read failed.
    bool readBlock(int channel, ChannelBlock &block);
    void writeBlock(int channel, const ChannelBlock &block);

    // One function-16 write of one register; false when its reply failed.
    bool writeRegister(int address, quint16 value);
    bool sendCommand(quint16 code);
    // The command is not sent when its argument was not taken.
    bool sendCommand(quint16 code, quint16 argument);
    bool writeClock(quint32 seconds);
    // Writes the clock and reads it back into held: true when the controller holds the time
    // sent. False also when an exchange failed; linkError() tells which.
    bool setClock(quint32 seconds, quint32 &held);
    // Stops at the first failed exchange.
    bool writeFactoryNumber(quint32 number);
    // The change of one edited cell.
    void apply(const RegisterPatch &patch);
    // Reads back the registers the patch wrote: true when the controller holds what was sent.
    // False also when the read failed; linkError() tells which.
    bool holds(const RegisterPatch &patch);

private:
    void updateBits(int address, quint16 mask, quint16 value);
    void writeMaskBit(const RegisterPatch &patch);

    modbus &line;
    int type;
};

#endif
