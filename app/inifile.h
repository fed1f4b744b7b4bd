#ifndef INIFILE_H
#define INIFILE_H

#include <QString>
#include <QtGlobal>
#include <cstdint>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the ini head is a little-endian memory image");

// Fixed-size head of "ini": the window's selections, 59 32-bit ints.
struct IniBlock {
    int32_t typeDevIndex;
    int32_t comPortIndex;
    int32_t baudrateIndex;
    int32_t mbAddress;
    int32_t beginChan;
    int32_t endChan;
    int32_t columnShown[38];
    int32_t reserved[7];
    int32_t arcChannelIndex;
    int32_t arcDiskIndex;
    int32_t arcYear;
    int32_t arcMonth;
    int32_t arcDay;
    int32_t arcHour;
    int32_t arcMinute;
    int32_t arcSecond;
};
static_assert(sizeof(IniBlock) == 236, "the ini head is 236 bytes");

extern IniBlock iniBlock;
extern QString settingsDir;
extern QString spareLine;

extern const char INI_FILE_NAME[];

// Reads "ini" from the current directory; true when its head was read. Anything but a regular
// file under the name is not read.
bool loadIni();
// Writes "ini" to the current directory; a failure, or a name taken by anything but a regular
// file, leaves what was there and says nothing.
void saveIni();

#endif
