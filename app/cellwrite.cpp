#include "app/cellwrite.h"

#include "device/celledit.h"
#include "device/data.h"
#include "device/channelrecord.h"
#include "device/controllertext.h"
#include "device/registerio.h"
#include "device/registermap.h"
#include "device/texttables.h"

#include <QModelIndex>
#include <cstring>

namespace {

constexpr int TEXT_WORDS = ControllerText::FIELD_SIZE / 2;

RegisterPatch wordsPatch(int address, QVector<quint16> words)
{
    RegisterPatch patch;
    patch.address = address;
    patch.words = std::move(words);
    return patch;
}

RegisterPatch bitsPatch(int address, quint16 mask, quint16 value)
{
    RegisterPatch patch;
    patch.kind = RegisterPatch::Kind::Bits;
    patch.address = address;
    patch.mask = mask;
    patch.value = value;
    return patch;
}

// With a second mask (archive delta after archive interval) both are updated.
RegisterPatch maskPatch(int start, int channel, bool set, bool withSecond, bool secondSet)
{
    RegisterPatch patch;
    patch.kind = RegisterPatch::Kind::MaskBit;
    patch.address = start;
    patch.channel = channel;
    patch.set = set;
    patch.withSecond = withSecond;
    patch.secondSet = secondSet;
    return patch;
}

} // namespace

CellWrite::CellWrite(const Data &data) : data(data) {}

CellWrite::Result CellWrite::write(const QModelIndex &index, RegisterPatch &patch)
{
    const int channel = index.row();
    const int column = index.column();
    if (channel < 0 || channel >= MAX_CHANNELS)
        return Result::Refused;
    ChannelRecord &r = channelRecords[channel];
    const QString text = index.data(Qt::DisplayRole).toString();
    const CellEdit::Kind kind = CellEdit::kindOf(column);
    switch (kind) {
    case CellEdit::Kind::DisplayOnly: r.edited = 1; return Result::Ignored;
    case CellEdit::Kind::Text:
        r.edited = 1;
        patch = storeText(channel, column, text);
        return data.online ? Result::Sent : Result::Stored;
    case CellEdit::Kind::List:
        r.edited = 1;
        if (!storeCode(channel, column, codeOfText(*CellEdit::listOf(column), text), patch))
            return Result::Stored;
        return data.online ? Result::Sent : Result::Stored;
    default: break;
    }
    int raw = 0;
    if (!CellEdit::parseNumber(kind, text, r, raw))
        return Result::Refused;
    r.edited = 1;
    patch = storeNumber(channel, column, raw);
    return data.online ? Result::Sent : Result::Stored;
}

RegisterPatch CellWrite::storeText(int channel, int column, const QString &text)
{
    ChannelRecord &r = channelRecords[channel];
    char *field = column == 2 ? r.tag : r.gasName;
    memcpy(field, ControllerText::encode(text).constData(), ControllerText::FIELD_SIZE);
    QVector<quint16> words(TEXT_WORDS);
    RegisterIo::textToWords(field, words.data());
    return wordsPatch(channelBlock(channel) + CellEdit::registerOf(column), words);
}

// False for a list column that has no register of its own.
bool CellWrite::storeCode(int channel, int column, int code, RegisterPatch &patch)
{
    ChannelRecord &r = channelRecords[channel];
    const int block = channelBlock(channel);
    switch (column) {
    case 0:
        r.enabled = code;
        patch = maskPatch(REG_ENABLE_MASK, channel, code == 1, false, false);
        return true;
    case 1: {
        // Channels 1..8 of a 32-channel controller are always internal; an internal
        // module chosen elsewhere means no module.
        int type = code == MODULE_INTERNAL ? MODULE_NONE : code;
        if (data.devType == 0 && channel < INTERNAL_CHANNELS_32K)
            type = MODULE_INTERNAL;
        r.moduleType = type;
        patch = bitsPatch(block + CH_CONFIG, CONFIG_MODULE_MASK,
                          quint16(type ? (type - 1) << CONFIG_MODULE_SHIFT : 0));
        return true;
    }
    case 7:
        r.unit = code;
        patch = bitsPatch(block + CH_CONFIG, CONFIG_UNIT_MASK, quint16(code));
        return true;
    case 8:
        r.decimals = code;
        patch = bitsPatch(block + CH_CONFIG, CONFIG_DECIMALS_MASK,
                          quint16(code << CONFIG_DECIMALS_SHIFT));
        return true;
    case 14:
        r.thr1Type = code;
        patch = wordsPatch(block + CH_THRESHOLD1, {RegisterIo::thresholdWord(code, r.thr1)});
        return true;
    case 16:
        r.thr2Type = code;
        patch = wordsPatch(block + CH_THRESHOLD2, {RegisterIo::thresholdWord(code, r.thr2)});
        return true;
    case 18:
        r.thr3Type = code;
        patch = wordsPatch(block + CH_THRESHOLD3, {RegisterIo::thresholdWord(code, r.thr3)});
        return true;
    case 25:
        r.arcMode = code;
        patch = maskPatch(ARCHIVE_INTERVAL_MASK[data.devType], channel, code == 1, true, code == 2);
        return true;
    }
    return false;
}

RegisterPatch CellWrite::storeNumber(int channel, int column, int raw)
{
    ChannelRecord &r = channelRecords[channel];
    switch (column) {
    case 12: r.rangeMin = raw; break;
    case 13: r.rangeMax = raw; break;
    case 15: r.thr1 = raw; break;
    case 17: r.thr2 = raw; break;
    case 19: r.thr3 = raw; break;
    case 20: r.hysteresis = raw; break;
    case 21: r.delay = raw; break;
    case 22: r.deadZone = raw; break;
    case 23: r.dac4mA = raw; break;
    case 24: r.dac20mA = raw; break;
    case 26: r.arcInterval = raw; break;
    case 27: r.arcDelta = raw; break;
    case 28: r.adcCal = raw; break;
    case 29: r.concCal = raw; break;
    case 30: r.adc4mA = raw; break;
    case 31: r.adc20mA = raw; break;
    case 32: r.currentAlarm = raw; break;
    case 33: r.currentInit = raw; break;
    case 34: r.currentService = raw; break;
    case 35: r.moduleAddress = raw; break;
    }
    int value = raw;
    switch (column) {
    case 15: value = RegisterIo::thresholdWord(r.thr1Type, raw); break;
    case 17: value = RegisterIo::thresholdWord(r.thr2Type, raw); break;
    case 19: value = RegisterIo::thresholdWord(r.thr3Type, raw); break;
    case 35: value = raw * 256; break;
    }
    return wordsPatch(channelBlock(channel) + CellEdit::registerOf(column), {quint16(value)});
}
