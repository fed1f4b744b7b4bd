#include "archive/archivestore.h"

#include "archive/archivefiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
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
    QFile marker(ArchiveFiles::markerFile(rootPath));
    if (!marker.exists() && !marker.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Не удалось создать файл ") + marker.fileName() +
                    QStringLiteral(": ") + marker.errorString());
    return true;
}

bool ArchiveStore::write(const QString &folder, int archive, const ArchiveRecord *records,
                         int count)
{
    QSaveFile file(ArchiveFiles::archiveFile(folder, archive));
    const qint64 size = qint64(count) * qint64(sizeof(ArchiveRecord));
    if (file.open(QIODevice::WriteOnly) &&
        file.write(reinterpret_cast<const char *>(records), size) == size && file.commit()) {
        error.clear();
        return true;
    }
    // An uncommitted file is discarded with the temporary file it was written to.
    return fail(QStringLiteral("Ошибка записи файла ") + file.fileName() + QStringLiteral(": ") +
                file.errorString());
}

bool ArchiveStore::fail(const QString &text)
{
    error = text;
    return false;
}
