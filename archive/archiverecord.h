#ifndef ARCHIVERECORD_H
#define ARCHIVERECORD_H

#include <QtGlobal>
#include <cstddef>
#include <cstdint>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "archive records are read as memory images");

// One 16-byte archive record, as stored on a drive and sent over the line.
#pragma pack(push, 1)
struct ArchiveRecord {
    uint8_t marker;
    uint8_t channel;
    uint8_t code;
    uint8_t reserved1;
    uint32_t time;
    uint16_t raw;
    uint8_t scale;
    uint8_t reserved2[3];
    uint16_t aux;
};
#pragma pack(pop)

static_assert(sizeof(ArchiveRecord) == 16, "an archive record is 16 bytes");
static_assert(offsetof(ArchiveRecord, time) == 4);
static_assert(offsetof(ArchiveRecord, raw) == 8);
static_assert(offsetof(ArchiveRecord, scale) == 10);
static_assert(offsetof(ArchiveRecord, aux) == 14);

#endif
