#include "device/data.h"

#include "device/celledit.h"
#include "device/channelrecord.h"
#include "device/controllertext.h"
#include "device/registerio.h"
#include "device/registermap.h"
#include "device/texttables.h"
#include "link/modbus.h"

#include <QModelIndex>
#include <cstring>

namespace {

constexpr int TEXT_WORDS = ControllerText::FIELD_SIZE / 2;

// Reads one register, changes the bits of mask to value and writes it back,
// so the word's other fields keep the controller's values.
void updateBits(int address, quint16 mask, quint16 value)
{
    quint16 word;
    if (!RegisterIo::read(address, 1, &word))
        return;
    word = quint16((word & ~mask) | (value & mask));
    RegisterIo::write(address, 1, &word);
}

void writeOne(int address, int value)
{
    const quint16 word = quint16(value);
    RegisterIo::write(address, 1, &word);
}

} // namespace

Data::CellWrite Data::writeCell(const QModelIndex &index)
{
    const int channel = index.row();
    const int column = index.column();
    if (channel < 0 || channel >= MAX_CHANNELS)
        return CellWrite::Refused;
    ChannelRecord &r = channelRecords[channel];
    const QString text = index.data(Qt::DisplayRole).toString();
    const CellEdit::Kind kind = CellEdit::kindOf(column);
    switch (kind) {
    case CellEdit::Kind::DisplayOnly: r.edited = 1; return CellWrite::Stored;
    case CellEdit::Kind::Text:
        r.edited = 1;
        storeText(channel, column, text);
        return online() ? CellWrite::Sent : CellWrite::Stored;
    case CellEdit::Kind::List:
        r.edited = 1;
        storeCode(channel, column, codeOfText(*CellEdit::listOf(column), text));
        return online() ? CellWrite::Sent : CellWrite::Stored;
    default: break;
    }
    int raw = 0;
    if (!CellEdit::parseNumber(kind, text, r, raw))
        return CellWrite::Refused;
    r.edited = 1;
    storeNumber(channel, column, raw);
    return online() ? CellWrite::Sent : CellWrite::Stored;
}

bool Data::online() const
{
    return mbLine.isOpen;
}

void Data::storeText(int channel, int column, const QString &text)
{
    ChannelRecord &r = channelRecords[channel];
    char *field = column == 2 ? r.tag : r.gasName;
    memcpy(field, ControllerText::encode(text).constData(), ControllerText::FIELD_SIZE);
    if (!online())
        return;
    quint16 words[TEXT_WORDS];
    RegisterIo::textToWords(field, words);
    RegisterIo::write(channelBlock(channel) + CellEdit::registerOf(column), TEXT_WORDS, words);
}

void Data::storeCode(int channel, int column, int code)
{
    ChannelRecord &r = channelRecords[channel];
    const int block = channelBlock(channel);
    switch (column) {
    case 0:
        r.enabled = code;
        if (online())
            writeMaskBits(REG_ENABLE_MASK, channel, code == 1, false, false);
        break;
    case 1: {
        // Channels 1..8 of a 32-channel controller are always internal; an internal
        // module chosen elsewhere means no module.
        int type = code == MODULE_INTERNAL ? MODULE_NONE : code;
        if (devType == 0 && channel < INTERNAL_CHANNELS_32K)
            type = MODULE_INTERNAL;
        r.moduleType = type;
        if (online())
            updateBits(block + CH_CONFIG, CONFIG_MODULE_MASK,
                       quint16(type ? (type - 1) << CONFIG_MODULE_SHIFT : 0));
        break;
    }
    case 7:
        r.unit = code;
        if (online())
            updateBits(block + CH_CONFIG, CONFIG_UNIT_MASK, quint16(code));
        break;
    case 8:
        r.decimals = code;
        if (online())
            updateBits(block + CH_CONFIG, CONFIG_DECIMALS_MASK,
                       quint16(code << CONFIG_DECIMALS_SHIFT));
        break;
    case 14:
        r.thr1Type = code;
        if (online())
            writeOne(block + CH_THRESHOLD1, RegisterIo::thresholdWord(code, r.thr1));
        break;
    case 16:
        r.thr2Type = code;
        if (online())
            writeOne(block + CH_THRESHOLD2, RegisterIo::thresholdWord(code, r.thr2));
        break;
    case 18:
        r.thr3Type = code;
        if (online())
            writeOne(block + CH_THRESHOLD3, RegisterIo::thresholdWord(code, r.thr3));
        break;
    case 25:
        r.arcMode = code;
        if (online())
            writeMaskBits(ARCHIVE_INTERVAL_MASK[devType], channel, code == 1, true, code == 2);
        break;
    }
}

// The masks are read and written whole, so the other channels keep their bits.
// With a second mask (archive delta after archive interval) both are updated.
void Data::writeMaskBits(int start, int channel, bool set, bool withSecond, bool secondSet)
{
    const int words = MASK_WORDS[devType == 1 ? 1 : 0];
    const int bit = channel % (16 * words);
    quint16 mask[2 * 4];
    const int count = withSecond ? 2 * words : words;
    if (!RegisterIo::read(start, count, mask))
        return;
    RegisterIo::setMaskBit(mask, bit, set);
    if (withSecond)
        RegisterIo::setMaskBit(mask + words, bit, secondSet);
    RegisterIo::write(start, count, mask);
}

void Data::storeNumber(int channel, int column, int raw)
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
    if (!online())
        return;
    int value = raw;
    switch (column) {
    case 15: value = RegisterIo::thresholdWord(r.thr1Type, raw); break;
    case 17: value = RegisterIo::thresholdWord(r.thr2Type, raw); break;
    case 19: value = RegisterIo::thresholdWord(r.thr3Type, raw); break;
    case 35: value = raw * 256; break;
    }
    writeOne(channelBlock(channel) + CellEdit::registerOf(column), value);
}
