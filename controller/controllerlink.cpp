#include "controller/controllerlink.h"

#include "device/channelimage.h"
#include "device/registerio.h"
#include "link/modbus.h"

#include <QElapsedTimer>
#include <vector>

ControllerLink::ControllerLink(modbus &line, int devType) : line(line), type(devType == 1 ? 1 : 0) {}

bool ControllerLink::linkError() const
{
    return line.linkError;
}

bool ControllerLink::readFactoryNumber(quint32 &number)
{
    line.readInput(0, 101);
    line.waitPkt();
    if (line.linkError)
        return false;
    const qint32 *bases = REG_BASES[type];
    number = quint32(line.getReg(bases[BASE_SERIAL_HIGH])) << 16 |
             quint32(line.getReg(bases[BASE_SERIAL_LOW]));
    return true;
}

void ControllerLink::readDeviceInfo(DeviceInfo &info, ChannelRecord *records)
{
    quint16 regs[24];
    if (!RegisterIo::read(line, 0, DEVICE_INFO_COUNT[type], regs))
        return;
    info.clock = regs[REG_CLOCK] | quint32(regs[REG_CLOCK + 1]) << 16;
    info.hwVer = regs[REG_HW_VERSION];
    const int words = MASK_WORDS[type];
    const quint64 enabled = RegisterIo::maskOf(regs + REG_ENABLE_MASK, words);
    const quint64 interval = RegisterIo::maskOf(regs + ARCHIVE_INTERVAL_MASK[type], words);
    const quint64 delta = RegisterIo::maskOf(regs + ARCHIVE_DELTA_MASK[type], words);
    for (int i = 0; i < channelCount(); ++i) {
        records[i].enabled = int(enabled >> i & 1);
        records[i].arcMode = delta >> i & 1 ? 2 : int(interval >> i & 1);
    }
}

void ControllerLink::readLiveValues(ChannelRecord *records)
{
    const qint32 *bases = REG_BASES[type];
    for (int entry = BASE_STATUS; entry <= BASE_PWM; ++entry) {
        line.readInput(bases[entry], unsigned(channelCount()));
        line.waitPkt();
        if (line.linkError)
            return;
        for (int i = 0; i < channelCount(); ++i) {
            const int value = line.getReg(i);
            ChannelRecord &r = records[i];
            switch (entry) {
            case BASE_STATUS: r.status = quint16(value); break;
            case BASE_CONCENTRATION: r.concentration = value; break;
            case BASE_ADC: r.adcValue = value; break;
            default: r.pwmValue = value; break;
            }
        }
    }
}

bool ControllerLink::readBlock(int channel, ChannelBlock &block)
{
    return RegisterIo::read(line, channelBlock(channel), CHANNEL_BLOCK_SIZE, block.data());
}

void ControllerLink::readChannel(int channel, ChannelRecord &record)
{
    ChannelBlock block;
    if (readBlock(channel, block))
        ChannelImage::decode(type, channel, block, record);
}

void ControllerLink::writeBlock(int channel, const ChannelBlock &block)
{
    RegisterIo::write(line, channelBlock(channel), CHANNEL_BLOCK_SIZE, block.data());
}

bool ControllerLink::writeRegister(int address, quint16 value)
{
    RegisterIo::write(line, address, 1, &value);
    return !line.linkError;
}

bool ControllerLink::sendCommand(quint16 code)
{
    return writeRegister(CMD_REG, code);
}

bool ControllerLink::sendCommand(quint16 code, quint16 argument)
{
    return writeRegister(ARG_REG, argument) && writeRegister(CMD_REG, code);
}

bool ControllerLink::writeClock(quint32 seconds)
{
    const quint16 words[2] = {quint16(seconds & 0xFFFF), quint16(seconds >> 16)};
    RegisterIo::write(line, REG_CLOCK, 2, words);
    return !line.linkError;
}

// The controller's clock runs on while it is read back: a time up to the seconds the check took
// (and one for the tick of the second) later than the one sent is the one sent.
bool ControllerLink::setClock(quint32 seconds, quint32 &held)
{
    QElapsedTimer check;
    check.start();
    if (!writeClock(seconds))
        return false;
    DeviceInfo info;
    std::vector<ChannelRecord> readBack(static_cast<size_t>(channelCount()));
    readDeviceInfo(info, readBack.data());
    if (linkError())
        return false;
    held = info.clock;
    const qint64 late = qint64(held) - qint64(seconds);
    return late >= 0 && late <= check.elapsed() / 1000 + 1;
}

bool ControllerLink::writeFactoryNumber(quint32 number)
{
    return sendCommand(CMD_SERIAL_HIGH, quint16(number >> 16)) &&
           sendCommand(CMD_SERIAL_LOW, quint16(number & 0xFFFF));
}

void ControllerLink::apply(const RegisterPatch &patch)
{
    switch (patch.kind) {
    case RegisterPatch::Kind::Words:
        RegisterIo::write(line, patch.address, patch.words.size(), patch.words.constData());
        break;
    case RegisterPatch::Kind::Bits: updateBits(patch.address, patch.mask, patch.value); break;
    case RegisterPatch::Kind::MaskBit: writeMaskBit(patch); break;
    }
}

bool ControllerLink::holds(const RegisterPatch &patch)
{
    switch (patch.kind) {
    case RegisterPatch::Kind::Words: {
        QVector<quint16> words(patch.words.size());
        return RegisterIo::read(line, patch.address, words.size(), words.data()) &&
               words == patch.words;
    }
    case RegisterPatch::Kind::Bits: {
        quint16 word;
        return RegisterIo::read(line, patch.address, 1, &word) &&
               (word & patch.mask) == (patch.value & patch.mask);
    }
    case RegisterPatch::Kind::MaskBit: break;
    }
    const int words = MASK_WORDS[type];
    const int bit = patch.channel % (16 * words);
    quint16 mask[2 * 4];
    if (!RegisterIo::read(line, patch.address, patch.withSecond ? 2 * words : words, mask))
        return false;
    const bool first = RegisterIo::maskOf(mask, words) >> bit & 1;
    const bool second = patch.withSecond && RegisterIo::maskOf(mask + words, words) >> bit & 1;
    return first == patch.set && (!patch.withSecond || second == patch.secondSet);
}

// The word's other fields keep the controller's values; nothing is written when the read fails.
void ControllerLink::updateBits(int address, quint16 mask, quint16 value)
{
    quint16 word;
    if (!RegisterIo::read(line, address, 1, &word))
        return;
    word = quint16((word & ~mask) | (value & mask));
    RegisterIo::write(line, address, 1, &word);
}

// The masks are read and written whole, so the other channels keep their bits.
void ControllerLink::writeMaskBit(const RegisterPatch &patch)
{
    const int words = MASK_WORDS[type];
    const int bit = patch.channel % (16 * words);
    quint16 mask[2 * 4];
    const int count = patch.withSecond ? 2 * words : words;
    if (!RegisterIo::read(line, patch.address, count, mask))
        return;
    RegisterIo::setMaskBit(mask, bit, patch.set);
    if (patch.withSecond)
        RegisterIo::setMaskBit(mask + words, bit, patch.secondSet);
    RegisterIo::write(line, patch.address, count, mask);
}
