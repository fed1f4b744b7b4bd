#include "device/celledit.h"

#include "device/channelformat.h"
#include "device/columndefs.h"
#include "device/registermap.h"
#include "device/texttables.h"

#include <cmath>

namespace CellEdit {

namespace {

struct ColumnEdit {
    Kind kind;
    int reg;
};

constexpr ColumnEdit COLUMN_EDITS[COLUMN_COUNT] = {
    {Kind::List, -1},                         // 0 state
    {Kind::List, CH_CONFIG},                  // 1 module type
    {Kind::Text, CH_TAG},                     // 2 tag
    {Kind::DisplayOnly, -1},                  // 3 threshold status
    {Kind::DisplayOnly, -1},                  // 4 input status
    {Kind::DisplayOnly, -1},                  // 5 error status
    {Kind::DisplayOnly, -1},                  // 6 concentration
    {Kind::List, CH_CONFIG},                  // 7 unit
    {Kind::List, CH_CONFIG},                  // 8 decimals
    {Kind::Text, CH_GAS_NAME},                // 9 gas name
    {Kind::DisplayOnly, -1},                  // 10 ADC value
    {Kind::DisplayOnly, -1},                  // 11 PWM value
    {Kind::ScaledTruncated, CH_RANGE_MIN},    // 12
    {Kind::Scaled, CH_RANGE_MAX},             // 13
    {Kind::List, CH_THRESHOLD1},              // 14 type 1
    {Kind::Threshold, CH_THRESHOLD1},         // 15
    {Kind::List, CH_THRESHOLD2},              // 16 type 2
    {Kind::Threshold, CH_THRESHOLD2},         // 17
    {Kind::List, CH_THRESHOLD3},              // 18 type 3
    {Kind::Threshold, CH_THRESHOLD3},         // 19
    {Kind::Scaled, CH_HYSTERESIS},            // 20
    {Kind::Integer, CH_DELAY},                // 21
    {Kind::Scaled, CH_DEAD_ZONE},             // 22
    {Kind::Integer, CH_DAC_4MA},              // 23
    {Kind::Integer, CH_DAC_20MA},             // 24
    {Kind::List, -1},                         // 25 archive mode
    {Kind::Integer, CH_ARC_INTERVAL},         // 26
    {Kind::Scaled, CH_ARC_DELTA},             // 27
    {Kind::Integer, CH_ADC_CAL},              // 28
    {Kind::Scaled, CH_CONC_CAL},              // 29
    {Kind::Integer, CH_ADC_4MA},              // 30
    {Kind::Integer, CH_ADC_20MA},             // 31
    {Kind::Current, CH_CURRENT_ALARM},        // 32
    {Kind::Current, CH_CURRENT_INIT},         // 33
    {Kind::Current, CH_CURRENT_SERVICE},      // 34
    {Kind::ModuleAddress, CH_MODULE_ADDRESS}, // 35
    {Kind::DisplayOnly, -1},                  // 36 version
    {Kind::DisplayOnly, -1},                  // 37 module factory number
};

constexpr int REGISTER_MAX = 0xFFFF;
constexpr int MODULE_ADDRESS_MAX = 0xFF;

bool valueFromFloat(double value, int limit, int &raw)
{
    const double whole = std::trunc(value);
    if (!(whole >= 0.0) || whole > limit)
        return false;
    raw = int(whole);
    return true;
}

} // namespace

Kind kindOf(int column)
{
    return column >= 0 && column < COLUMN_COUNT ? COLUMN_EDITS[column].kind : Kind::DisplayOnly;
}

int registerOf(int column)
{
    return column >= 0 && column < COLUMN_COUNT ? COLUMN_EDITS[column].reg : -1;
}

const QStringList *listOf(int column)
{
    switch (column) {
    case 0: return &STATE_TEXTS;
    case 1: return &MODULE_TYPE_TEXTS;
    case 7: return &UNIT_TEXTS;
    case 8: return &DISCRETE_TEXTS;
    case 14:
    case 16:
    case 18: return &THRESHOLD_TYPE_TEXTS;
    case 25: return &ARCHIVE_MODE_TEXTS;
    default: return nullptr;
    }
}

bool parseNumber(Kind kind, const QString &text, const ChannelRecord &record, int &raw)
{
    bool ok = false;
    if (kind == Kind::Integer || kind == Kind::ModuleAddress) {
        const int value = text.toInt(&ok, 10);
        const int limit = kind == Kind::ModuleAddress ? MODULE_ADDRESS_MAX : REGISTER_MAX;
        if (!ok || value < 0 || value > limit)
            return false;
        raw = value;
        return true;
    }
    const float value = text.toFloat(&ok);
    if (!ok || value < 0.0f)
        return false;
    switch (kind) {
    case Kind::Current: return valueFromFloat(double(value * 1000.0f) + 0.5, REGISTER_MAX, raw);
    case Kind::ScaledTruncated:
        return valueFromFloat(double(value) * ChannelFormat::scaleFactor(record), REGISTER_MAX,
                              raw);
    case Kind::Threshold:
        return valueFromFloat(double(value) * ChannelFormat::scaleFactor(record) + 0.5,
                              THRESHOLD_VALUE_MASK, raw);
    default:
        return valueFromFloat(double(value) * ChannelFormat::scaleFactor(record) + 0.5,
                              REGISTER_MAX, raw);
    }
}

} // namespace CellEdit
