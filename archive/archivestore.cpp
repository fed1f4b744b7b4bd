#include "archive/archivestore.h"

#include "archive/archivefiles.h"
#include "device/wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString ArchiveStore::defaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/TQ-17");
}

ArchiveStore::ArchiveStore(const QString &root)
    : rootPath(QDir::cleanPath(QDir(root).absolutePath()))
{
    if (!rootPath.endsWith(QLatin1Char('/')))
        rootPath += QLatin1Char('/');
}

void ArchiveStore::beginConnection(quint32 factoryNumber)
{
    connectedNumber = factoryNumber;
    startNewFolder();
}

void ArchiveStore::startNewFolder()
{
    folderPath.clear();
}

bool ArchiveStore::save(int archive, const ArchiveRecord *records, int count, const QDateTime &now)
{
    if (!prepareRoot())
        return false;
    if (folderPath.isEmpty()) {
        folderPath = rootPath + now.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                     QStringLiteral("_%1/").arg(connectedNumber);
    }
    // Made again should the folder have been removed since it was opened.
    if (!QDir().mkpath(folderPath))
        return fail(QStringLiteral("Не удалось создать папку ") + folderPath);
    return write(folderPath, archive, records, count);
}

bool ArchiveStore::saveToRoot(int archive, const ArchiveRecord *records, int count)
{
    return prepareRoot() && write(rootPath, archive, records, count);
}

// The marker lets the archive tab list the root among the drives.
bool ArchiveStore::prepareRoot()
{
    if (!QDir().mkpath(rootPath))
        return fail(QStringLiteral("Не удалось создать папку ") + rootPath);
    const QString marker = ArchiveFiles::markerFile(rootPath);
    if (!QFileInfo::exists(marker) && !WholeFile::write(marker, QByteArray()))
        return fail(QStringLiteral("Не удалось создать файл ") + marker);
    return true;
}

bool ArchiveStore::write(const QString &folder, int archive, const ArchiveRecord *records,
                         int count)
{
    const QString file = ArchiveFiles::archiveFile(folder, archive);
    if (!WholeFile::write(file, reinterpret_cast<const char *>(records),
                          qint64(count) * qint64(sizeof(ArchiveRecord))))
        return fail(WholeFile::notWrittenText(file));
    error.clear();
    return true;
}

bool ArchiveStore::fail(const QString &text)
{
    error = text;
    return false;
}
