#include "device/channelformat.h"

#include "device/celledit.h"
#include "device/channelrecord.h"
#include "device/controllertext.h"
#include "device/texttables.h"

#include <cmath>

namespace ChannelFormat {

namespace {

constexpr int MAX_DECIMALS = 15;
const QString NOT_APPLICABLE = QStringLiteral("-");

QString thresholdStatus(int status)
{
    if (status & 4)
        return THRESHOLD_STATUS_TEXTS.at(4);
    if (status & 2)
        return THRESHOLD_STATUS_TEXTS.at(3);
    if (status & 1)
        return THRESHOLD_STATUS_TEXTS.at(2);
    return THRESHOLD_STATUS_TEXTS.at(1);
}

QString version(const ChannelRecord &record)
{
    const int major = record.swVersion / 256;
    const int minor = record.swVersion % 256;
    if (record.moduleType == MODULE_DORNA)
        return QString::asprintf("%2d.%02d.%02d", major, minor, record.swBuild);
    return QString::asprintf("%02d.%03d", major, minor);
}

// Internal modules have no PWM, DAC, address, version or factory number.
QVariant moduleValue(const ChannelRecord &record, const QVariant &value)
{
    return record.moduleType == MODULE_INTERNAL ? QVariant(NOT_APPLICABLE) : value;
}

QString discrete(int decimals)
{
    return textOfCode(DISCRETE_TEXTS, decimals < 0 ? decimals : decimals % 3);
}

} // namespace

int decimalPlaces(const ChannelRecord &record)
{
    return qBound(0, int(record.decimals), MAX_DECIMALS);
}

double scaleFactor(const ChannelRecord &record)
{
    return std::pow(10.0, decimalPlaces(record));
}

double scaledValue(const ChannelRecord &record, int raw)
{
    return double(static_cast<float>(raw)) / scaleFactor(record);
}

QString scaled(const ChannelRecord &record, int raw)
{
    return QString::asprintf("%.*f", decimalPlaces(record), scaledValue(record, raw));
}

QString current(int raw)
{
    return QString::asprintf("%.3f", double(static_cast<float>(raw) / 1000.0f));
}

QStringList fixedTexts(int column)
{
    switch (column) {
    case 3: return THRESHOLD_STATUS_TEXTS;
    case 4: return INPUT_STATUS_TEXTS;
    case 5: return ERROR_STATUS_TEXTS;
    default: {
        const QStringList *list = CellEdit::listOf(column);
        return list ? *list : QStringList();
    }
    }
}

QVariant cell(const ChannelRecord &r, int column)
{
    switch (column) {
    case 0: return textOfCode(STATE_TEXTS, r.enabled);
    case 1: return textOfCode(MODULE_TYPE_TEXTS, r.moduleType);
    case 2: return ControllerText::decode(r.tag);
    case 3: return thresholdStatus(r.status);
    case 4: return textOfCode(INPUT_STATUS_TEXTS, r.status >> 4 & 0x0F);
    case 5: return textOfCode(ERROR_STATUS_TEXTS, r.status >> 8 & 0x03);
    case 6: return scaled(r, r.concentration);
    case 7: return UNIT_TEXTS.at(r.unit & 7);
    case 8: return discrete(r.decimals);
    case 9: return ControllerText::decode(r.gasName);
    case 10: return int(r.adcValue);
    case 11: return moduleValue(r, int(r.pwmValue));
    case 12: return scaled(r, r.rangeMin);
    case 13: return scaled(r, r.rangeMax);
    case 14: return THRESHOLD_TYPE_TEXTS.at(r.thr1Type & 1);
    case 15: return scaled(r, r.thr1 & 0x7FFF);
    case 16: return THRESHOLD_TYPE_TEXTS.at(r.thr2Type & 1);
    case 17: return scaled(r, r.thr2 & 0x7FFF);
    case 18: return THRESHOLD_TYPE_TEXTS.at(r.thr3Type & 1);
    case 19: return scaled(r, r.thr3 & 0x7FFF);
    case 20: return scaled(r, r.hysteresis);
    case 21: return int(r.delay);
    case 22: return scaled(r, r.deadZone);
    case 23: return moduleValue(r, int(r.dac4mA));
    case 24: return moduleValue(r, int(r.dac20mA));
    case 25: return textOfCode(ARCHIVE_MODE_TEXTS, r.arcMode);
    case 26: return int(r.arcInterval);
    case 27: return scaled(r, r.arcDelta);
    case 28: return int(r.adcCal);
    case 29: return scaled(r, r.concCal);
    case 30: return int(r.adc4mA);
    case 31: return int(r.adc20mA);
    case 32: return current(r.currentAlarm);
    case 33: return current(r.currentInit);
    case 34: return current(r.currentService);
    case 35: return moduleValue(r, int(r.moduleAddress));
    case 36: return moduleValue(r, version(r));
    case 37: return moduleValue(r, int(static_cast<int32_t>(r.serialNo)));
    default: return QVariant();
    }
}

} // namespace ChannelFormat
