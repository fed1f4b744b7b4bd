#ifndef ARCHIVETEXT_H
#define ARCHIVETEXT_H

#include "archive/archiverecord.h"

#include <QString>

// Texts and values derived from an archive record, shared by the tables and the export.
namespace ArchiveText {

constexpr uint8_t VALID_MARKER = 'Z';
constexpr int NAMED_EVENT_CODES = 14;
constexpr int UNIT_NAME_COUNT = 8;
extern const char EMPTY_SLOT[]; // "---"

// A date or time text as an ASCII C string held by value: the export writes one of each for
// every row and has no use for a QString.
struct MomentChars {
    char text[36]; // room for three ints of any value
};

inline bool isValid(const ArchiveRecord &record)
{
    return record.marker == VALID_MARKER;
}
int unitIndex(const ArchiveRecord &record);
int decimals(const ArchiveRecord &record);

MomentChars dateChars(const ArchiveRecord &record);
MomentChars timeChars(const ArchiveRecord &record);
QString dateText(const ArchiveRecord &record);
QString timeText(const ArchiveRecord &record);
QString channelText(const ArchiveRecord &record);
// Name of the event; codes without a name show their number.
QString eventName(int code);
bool carriesValue(int code);
double value(const ArchiveRecord &record);
QString valueText(const ArchiveRecord &record);
// Unit name of an index 0..7; other indexes have no name (empty string).
QString unitName(int index);
// The record's unit name, where an index without a name shows unit 0.
QString unitNameOrDefault(const ArchiveRecord &record);
QString auxText(const ArchiveRecord &record, int digits);

} // namespace ArchiveText

#endif
