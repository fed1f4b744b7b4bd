#ifndef ARCHIVEEXPORT_H
#define ARCHIVEEXPORT_H

#include <QString>

class QProgressBar;

// The archive tab's export: asks for the workbook's name, writes the folder's archives
// into it and says how it went.
namespace ArchiveExport {
void toXlsx(const QString &folder, int channelCount, QProgressBar *bar);
}

#endif
