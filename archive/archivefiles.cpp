#include "archive/archivefiles.h"

#include <QFile>

namespace ArchiveFiles {

QString eventsFile(const QString &folder)
{
    return folder + QStringLiteral("events.arh");
}

QString channelFile(const QString &folder, int channel)
{
    return folder + QString::asprintf("chan%02d.arh", channel);
}

QString archiveFile(const QString &folder, int archive)
{
    return archive == 0 ? eventsFile(folder) : channelFile(folder, archive);
}

QString markerFile(const QString &root)
{
    return root + QStringLiteral("ORVEK TQ-17 Archive v 01");
}

bool openForReading(QFile &file, QString &error)
{
    if (file.open(QIODevice::ReadOnly))
        return true;
    error = QStringLiteral("Ошибка открытия файла ") + file.fileName();
    return false;
}

int readRecords(QFile &file, ArchiveRecord *buffer, int capacity)
{
    constexpr qint64 RECORD_SIZE = sizeof(ArchiveRecord);
    const qint64 bytes = file.read(reinterpret_cast<char *>(buffer), RECORD_SIZE * capacity);
    return bytes > 0 ? int(bytes / RECORD_SIZE) : 0;
}

} // namespace ArchiveFiles
