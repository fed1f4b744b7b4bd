#include "device/controllerlink.h"

#include "device/registerio.h"
#include "device/texttables.h"
#include "link/modbus.h"

#include <QElapsedTimer>
#include <vector>

ControllerLink::ControllerLink(int devType) : type(devType == 1 ? 1 : 0) {}

bool ControllerLink::linkError()
{
    return mbLine.linkError;
}

bool ControllerLink::readFactoryNumber(quint32 &number)
{
    mbLine.readInput(0, 101);
    mbLine.waitPkt();
    if (mbLine.linkError || mbLine.replyFunction() != 4)
        return false;
    const qint32 *bases = REG_BASES[type];
    number = quint32(mbLine.getReg(bases[BASE_SERIAL_HIGH])) << 16 |
             quint32(mbLine.getReg(bases[BASE_SERIAL_LOW]));
    return true;
}

void ControllerLink::readDeviceInfo(DeviceInfo &info, ChannelRecord *records)
{
    quint16 regs[24];
    if (!RegisterIo::read(0, DEVICE_INFO_COUNT[type], regs))
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
        mbLine.readInput(bases[entry], unsigned(channelCount()));
        mbLine.waitPkt();
        if (mbLine.linkError)
            return;
        for (int i = 0; i < channelCount(); ++i) {
            const int value = mbLine.getReg(i);
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

void ControllerLink::readChannel(int channel, ChannelRecord &r)
{
    quint16 reg[CHANNEL_BLOCK_SIZE];
    if (!RegisterIo::read(channelBlock(channel), CHANNEL_BLOCK_SIZE, reg))
        return;
    r.serialNo = quint32(reg[CH_SERIAL_HIGH]) << 16 | reg[CH_SERIAL_LOW];
    const quint16 config = reg[CH_CONFIG];
    r.unit = config & CONFIG_UNIT_MASK;
    r.decimals = (config & CONFIG_DECIMALS_MASK) >> CONFIG_DECIMALS_SHIFT;
    const int moduleField = (config & CONFIG_MODULE_MASK) >> CONFIG_MODULE_SHIFT;
    if (type == 0 && channel < INTERNAL_CHANNELS_32K)
        r.moduleType = MODULE_INTERNAL;
    else
        r.moduleType = moduleField ? moduleField + 1 : MODULE_NONE;
    r.thr1Type = reg[CH_THRESHOLD1] >> 15;
    r.thr1 = reg[CH_THRESHOLD1] & THRESHOLD_VALUE_MASK;
    r.thr2Type = reg[CH_THRESHOLD2] >> 15;
    r.thr2 = reg[CH_THRESHOLD2] & THRESHOLD_VALUE_MASK;
    r.thr3Type = reg[CH_THRESHOLD3] >> 15;
    r.thr3 = reg[CH_THRESHOLD3] & THRESHOLD_VALUE_MASK;
    r.rangeMin = reg[CH_RANGE_MIN];
    r.rangeMax = reg[CH_RANGE_MAX];
    r.hysteresis = reg[CH_HYSTERESIS];
    r.delay = reg[CH_DELAY];
    r.dac4mA = reg[CH_DAC_4MA];
    r.dac20mA = reg[CH_DAC_20MA];
    RegisterIo::wordsToText(reg + CH_GAS_NAME, r.gasName);
    RegisterIo::wordsToText(reg + CH_TAG, r.tag);
    r.deadZone = reg[CH_DEAD_ZONE];
    r.arcInterval = reg[CH_ARC_INTERVAL];
    r.arcDelta = reg[CH_ARC_DELTA];
    r.adcCal = reg[CH_ADC_CAL];
    r.concCal = reg[CH_CONC_CAL];
    r.adc4mA = reg[CH_ADC_4MA];
    r.adc20mA = reg[CH_ADC_20MA];
    r.moduleAddress = reg[CH_MODULE_ADDRESS] >> 8;
    r.swVersion = reg[CH_SW_VERSION];
    r.swBuild = reg[CH_SW_BUILD];
    r.currentAlarm = reg[CH_CURRENT_ALARM];
    r.currentInit = reg[CH_CURRENT_INIT];
    r.currentService = reg[CH_CURRENT_SERVICE];
}

// Registers the tool does not own keep the controller's values, so the image is read first;
// writing back an image that was never read would overwrite them.
void ControllerLink::writeChannel(int channel, const ChannelRecord &r)
{
    const int block = channelBlock(channel);
    quint16 word[CHANNEL_BLOCK_SIZE];
    if (!RegisterIo::read(block, CHANNEL_BLOCK_SIZE, word))
        return;
    RegisterIo::textToWords(r.tag, word + CH_TAG);
    RegisterIo::textToWords(r.gasName, word + CH_GAS_NAME);
    const int moduleField = r.moduleType ? (r.moduleType - 1) & 15 : 0;
    word[CH_CONFIG] = quint16(
        (word[CH_CONFIG] & ~(CONFIG_UNIT_MASK | CONFIG_DECIMALS_MASK | CONFIG_MODULE_MASK)) |
        (r.unit & 15) | (r.decimals & 3) << CONFIG_DECIMALS_SHIFT |
        moduleField << CONFIG_MODULE_SHIFT);
    word[CH_RANGE_MIN] = quint16(r.rangeMin);
    word[CH_RANGE_MAX] = quint16(r.rangeMax);
    word[CH_THRESHOLD1] = RegisterIo::thresholdWord(r.thr1Type, r.thr1);
    word[CH_THRESHOLD2] = RegisterIo::thresholdWord(r.thr2Type, r.thr2);
    // A 64-channel controller has no third threshold.
    word[CH_THRESHOLD3] = type == 1 ? 0 : RegisterIo::thresholdWord(r.thr3Type, r.thr3);
    word[CH_HYSTERESIS] = quint16(r.hysteresis);
    word[CH_DELAY] = quint16(r.delay);
    word[CH_DEAD_ZONE] = quint16(r.deadZone);
    word[CH_ARC_INTERVAL] = quint16(r.arcInterval);
    word[CH_ARC_DELTA] = quint16(r.arcDelta);
    word[CH_CURRENT_ALARM] = quint16(r.currentAlarm);
    word[CH_CURRENT_INIT] = quint16(r.currentInit);
    word[CH_CURRENT_SERVICE] = quint16(r.currentService);
    word[CH_MODULE_ADDRESS] = quint16(r.moduleAddress * 256);
    RegisterIo::write(block, CHANNEL_BLOCK_SIZE, word);
}

bool ControllerLink::writeRegister(int address, quint16 value)
{
    RegisterIo::write(address, 1, &value);
    return !mbLine.linkError;
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
    RegisterIo::write(REG_CLOCK, 2, words);
    return !mbLine.linkError;
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
        RegisterIo::write(patch.address, patch.words.size(), patch.words.constData());
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
        return RegisterIo::read(patch.address, words.size(), words.data()) && words == patch.words;
    }
    case RegisterPatch::Kind::Bits: {
        quint16 word;
        return RegisterIo::read(patch.address, 1, &word) &&
               (word & patch.mask) == (patch.value & patch.mask);
    }
    case RegisterPatch::Kind::MaskBit: break;
    }
    const int words = MASK_WORDS[type];
    const int bit = patch.channel % (16 * words);
    quint16 mask[2 * 4];
    if (!RegisterIo::read(patch.address, patch.withSecond ? 2 * words : words, mask))
        return false;
    const bool first = RegisterIo::maskOf(mask, words) >> bit & 1;
    const bool second = patch.withSecond && RegisterIo::maskOf(mask + words, words) >> bit & 1;
    return first == patch.set && (!patch.withSecond || second == patch.secondSet);
}

// The word's other fields keep the controller's values; nothing is written when the read fails.
void ControllerLink::updateBits(int address, quint16 mask, quint16 value)
{
    quint16 word;
    if (!RegisterIo::read(address, 1, &word))
        return;
    word = quint16((word & ~mask) | (value & mask));
    RegisterIo::write(address, 1, &word);
}

// The masks are read and written whole, so the other channels keep their bits.
void ControllerLink::writeMaskBit(const RegisterPatch &patch)
{
    const int words = MASK_WORDS[type];
    const int bit = patch.channel % (16 * words);
    quint16 mask[2 * 4];
    const int count = patch.withSecond ? 2 * words : words;
    if (!RegisterIo::read(patch.address, count, mask))
        return;
    RegisterIo::setMaskBit(mask, bit, patch.set);
    if (patch.withSecond)
        RegisterIo::setMaskBit(mask + words, bit, patch.secondSet);
    RegisterIo::write(patch.address, count, mask);
}
