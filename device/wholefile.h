#ifndef WHOLEFILE_H
#define WHOLEFILE_H

#include <QByteArray>
#include <QString>

// Every file the tools write goes through here, so that it is replaced whole or not at all: the
// data goes to a temporary file beside the target, which takes the target's name only once every
// byte of it is on disk.
namespace WholeFile {

// False when the file could not be written; the previous file is then left byte for byte, and
// nothing is left under the name that was not there before. A name taken by anything but a
// regular file (a folder, a pipe, a device, a link to one) is never replaced.
bool write(const QString &fileName, const char *data, qint64 size);
bool write(const QString &fileName, const QByteArray &data);

// A regular file, or a link to one: only such a file is read as the tool's own.
bool isRegular(const QString &fileName);

// What the user is told of a file that was not written.
QString notWrittenText(const QString &fileName);

} // namespace WholeFile

#endif
