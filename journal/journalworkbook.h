#ifndef JOURNALWORKBOOK_H
#define JOURNALWORKBOOK_H

#include "journal/journal.h"

#include <QStringList>

// The journal's entries as a workbook of one sheet "Журнал", one row per entry under a header.
namespace JournalWorkbook {

// The column captions, shared with the journal's table in the window.
QStringList headers();
// The texts of an entry in the order of the headers; the time as this computer's local time.
QStringList texts(const JournalEntry &entry);
// False when the file could not be written; an earlier file of that name is then left as it was.
bool write(const QString &path, const QVector<JournalEntry> &entries);

} // namespace JournalWorkbook

#endif
