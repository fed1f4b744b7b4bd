#include "device/channelimage.h"

#include "device/channelrecord.h"
#include "device/registerio.h"
#include "device/texttables.h"

namespace ChannelImage {

void decode(int devType, int channel, const ChannelBlock &reg, ChannelRecord &r)
{
    r.serialNo = quint32(reg[CH_SERIAL_HIGH]) << 16 | reg[CH_SERIAL_LOW];
    const quint16 config = reg[CH_CONFIG];
    r.unit = config & CONFIG_UNIT_MASK;
    r.decimals = (config & CONFIG_DECIMALS_MASK) >> CONFIG_DECIMALS_SHIFT;
    const int moduleField = (config & CONFIG_MODULE_MASK) >> CONFIG_MODULE_SHIFT;
    if (devType == 0 && channel < INTERNAL_CHANNELS_32K)
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
    RegisterIo::wordsToText(reg.data() + CH_GAS_NAME, r.gasName);
    RegisterIo::wordsToText(reg.data() + CH_TAG, r.tag);
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

ChannelBlock encode(int devType, const ChannelRecord &r, ChannelBlock word)
{
    RegisterIo::textToWords(r.tag, word.data() + CH_TAG);
    RegisterIo::textToWords(r.gasName, word.data() + CH_GAS_NAME);
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
    word[CH_THRESHOLD3] = devType == 1 ? 0 : RegisterIo::thresholdWord(r.thr3Type, r.thr3);
    word[CH_HYSTERESIS] = quint16(r.hysteresis);
    word[CH_DELAY] = quint16(r.delay);
    word[CH_DEAD_ZONE] = quint16(r.deadZone);
    word[CH_ARC_INTERVAL] = quint16(r.arcInterval);
    word[CH_ARC_DELTA] = quint16(r.arcDelta);
    word[CH_CURRENT_ALARM] = quint16(r.currentAlarm);
    word[CH_CURRENT_INIT] = quint16(r.currentInit);
    word[CH_CURRENT_SERVICE] = quint16(r.currentService);
    word[CH_MODULE_ADDRESS] = quint16(r.moduleAddress * 256);
    return word;
}

} // namespace ChannelImage
