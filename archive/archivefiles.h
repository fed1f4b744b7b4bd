#ifndef ARCHIVEFILES_H
#define ARCHIVEFILES_H

#include "archive/archiverecord.h"

#include <QString>

class QFile;

// Records one archive file can hand to the tables and the export; larger files are cut here.
constexpr int ARCHIVE_RECORD_CAPACITY = 16000;

// The files of an archive folder, shared by the tables and the export.
namespace ArchiveFiles {

QString eventsFile(const QString &folder);
QString channelFile(const QString &folder, int channel);
// Archive 0 is the events archive, archive k the archive of channel k.
QString archiveFile(const QString &folder, int archive);
// The file whose presence in its root makes a folder an archive drive.
QString markerFile(const QString &root);

// Opens an archive file for reading; when it cannot, error holds the message naming the file.
bool openForReading(QFile &file, QString &error);
// Reads at most capacity records; a trailing fragment of a record is dropped.
int readRecords(QFile &file, ArchiveRecord *buffer, int capacity);

} // namespace ArchiveFiles

#endif
