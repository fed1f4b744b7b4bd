#ifndef REGISTERIO_H
#define REGISTERIO_H

#include <QtGlobal>

class modbus;

// Holding-register transactions on a Modbus line, and the word layouts they carry.
namespace RegisterIo {

// Reads registers into values; false when the reply failed (values untouched).
bool read(modbus &line, int start, int count, quint16 *values);
// Writes register values (at most one channel block of them).
void write(modbus &line, int start, int count, const quint16 *values);

// Bit masks span several registers, the first holding bits 0..15.
quint64 maskOf(const quint16 *words, int count);
void setMaskBit(quint16 *words, int bit, bool set);

// Threshold register: the type (1 = below) in bit 15, the value in bits 0..14.
quint16 thresholdWord(int type, int value);

// Strings: character 2k in the low byte of word k, character 2k+1 in its high byte.
void wordsToText(const quint16 *words, char *field);
void textToWords(const char *field, quint16 *words);

} // namespace RegisterIo

#endif
