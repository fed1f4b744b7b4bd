#ifndef ARCHIVESTORE_H
#define ARCHIVESTORE_H

#include "archive/archiverecord.h"

#include <QDateTime>
#include <QString>

// Where downloaded archives are kept: a root folder that carries the archive drive marker and
// holds one folder "yyyyMMdd-HHmmss_N" per connection to the controller of factory number N.
class ArchiveStore
{
public:
    // "TQ-17" in the user's documents folder.
    static QString defaultRoot();

    explicit ArchiveStore(const QString &root = defaultRoot());

    // Absolute, with its trailing slash.
    QString root() const { return rootPath; }
    // A connection to the controller of this factory number; its first save opens its folder.
    void beginConnection(quint32 factoryNumber);
    // The next save opens a new folder for the same connection.
    void startNewFolder();
    // The current folder of the connection, with its trailing slash; empty until a save opens it.
    QString folder() const { return folderPath; }

    // Saves a completed download of archive 0 (events) or k (channel k) into the connection's
    // folder, which is opened under the local time now when the connection has none yet. The file
    // appears complete or not at all, and replaces the archive saved before.
    bool save(int archive, const ArchiveRecord *records, int count,
              const QDateTime &now = QDateTime::currentDateTime());
    // Saves as save() does, but straight into the root.
    bool saveToRoot(int archive, const ArchiveRecord *records, int count);
    // Why the last save failed; empty after one that succeeded.
    QString errorString() const { return error; }

private:
    bool prepareRoot();
    bool write(const QString &folder, int archive, const ArchiveRecord *records, int count);
    bool fail(const QString &text);

    QString rootPath;
    QString folderPath;
    quint32 connectedNumber = 0;
    QString error;
};

#endif
