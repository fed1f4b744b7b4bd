#ifndef CELLEDIT_H
#define CELLEDIT_H

#include <QString>

class QStringList;
struct ChannelRecord;

// What an edited cell of the channel table means for its record and registers.
namespace CellEdit {

enum class Kind {
    DisplayOnly, // drawn from live values or versions; an edit changes nothing
    List,        // a code chosen from a text table
    Text,        // 16 bytes of 8-bit text
    Integer,
    Scaled,          // value × 10^decimals, rounded half up
    ScaledTruncated, // as Scaled, but truncated (range minimum)
    Threshold,       // scaled, sharing its register with the threshold type in bit 15
    Current,         // milliamperes × 1000
    ModuleAddress,   // 0..255 in the high byte of its register
};

Kind kindOf(int column);
// Register offset within the channel block of a single-register column; -1 for others.
int registerOf(int column);
// Item texts of a list column; nullptr for other columns.
const QStringList *listOf(int column);

// Raw register value of a numeric cell's text; false when the text cannot be a
// value of the field (not a number, negative, or too large for its bits).
bool parseNumber(Kind kind, const QString &text, const ChannelRecord &record, int &raw);

} // namespace CellEdit

#endif
