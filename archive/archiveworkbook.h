#ifndef ARCHIVEWORKBOOK_H
#define ARCHIVEWORKBOOK_H

#include "archive/archiverecord.h"

#include <QString>
#include <QVector>
#include <functional>
#include <vector>

class XlsxExportFile;

// The workbook of an archive folder: a sheet of events and one sheet per channel archive the
// folder holds, as the archive tab's export and the command line both write it. A folder from a
// single download holds only some of them.
class ArchiveWorkbook
{
public:
    ArchiveWorkbook(const QString &folder, int channelCount);

    // Reads the events file first, so a folder without one is reported before a target is asked
    // for; false when it cannot be opened.
    bool readEvents();
    // Writes the workbook to the export file's target, calling channelWritten after each channel
    // sheet. False when it was not written; nothing is then left behind and an earlier file of
    // that name stays as it was.
    bool write(XlsxExportFile &file, const std::function<void(int channel)> &channelWritten);
    // Why the last step failed, as the window says it.
    QString errorString() const { return error; }
    // After a write: "Нет архивов: 2, 4–32" naming the channels whose archive the folder lacks
    // (their sheets are left out), or empty when it has them all.
    QString missingLine() const;

private:
    int readFile(const QString &name, std::vector<ArchiveRecord> &buffer);

    QString folder;
    int channels;
    std::vector<ArchiveRecord> events;
    std::vector<ArchiveRecord> channelRecords;
    int eventCount = 0;
    QVector<int> missing;
    QString error;
};

#endif
