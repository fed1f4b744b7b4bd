#include "device/registerio.h"

#include "device/registermap.h"
#include "link/modbus.h"

namespace RegisterIo {

bool read(modbus &line, int start, int count, quint16 *values)
{
    line.readHolding(start, unsigned(count));
    line.waitPkt();
    if (line.linkError)
        return false;
    for (int i = 0; i < count; ++i)
        values[i] = quint16(line.getReg(i));
    return true;
}

void write(modbus &line, int start, int count, const quint16 *values)
{
    Q_ASSERT(count <= CHANNEL_BLOCK_SIZE);
    uint16_t words[CHANNEL_BLOCK_SIZE];
    for (int i = 0; i < count; ++i)
        words[i] = swap16(values[i]);
    line.writeMultiple(start, unsigned(count), words);
    line.waitPkt();
}

quint64 maskOf(const quint16 *words, int count)
{
    quint64 mask = 0;
    for (int i = 0; i < count; ++i)
        mask |= quint64(words[i]) << (16 * i);
    return mask;
}

void setMaskBit(quint16 *words, int bit, bool set)
{
    quint16 &word = words[bit / 16];
    const quint16 flag = quint16(1u << (bit % 16));
    word = set ? quint16(word | flag) : quint16(word & ~flag);
}

quint16 thresholdWord(int type, int value)
{
    return quint16((type & 1) << 15 | (value & THRESHOLD_VALUE_MASK));
}

void wordsToText(const quint16 *words, char *field)
{
    for (int k = 0; k < 8; ++k) {
        field[2 * k] = char(words[k] & 0xFF);
        field[2 * k + 1] = char(words[k] >> 8);
    }
}

void textToWords(const char *field, quint16 *words)
{
    for (int k = 0; k < 8; ++k)
        words[k] = quint16(quint8(field[2 * k]) | quint8(field[2 * k + 1]) << 8);
}

} // namespace RegisterIo
