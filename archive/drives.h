#ifndef DRIVES_H
#define DRIVES_H

#include <QStringList>

// Root paths, with their trailing slash, of the drives that may carry archives:
// every drive letter on Windows, every mounted and ready volume elsewhere.
QStringList archiveDriveRoots();

#endif
