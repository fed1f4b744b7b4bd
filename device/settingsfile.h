#ifndef SETTINGSFILE_H
#define SETTINGSFILE_H

#include <QString>

// The settings file is the raw image of the 64 channel records.
namespace SettingsFile {

constexpr qint64 SIZE = 65536;

enum class Result { Ok, OpenFailed, WriteFailed };

// Written through a temporary file, so a failure leaves an earlier file intact.
Result save(const QString &fileName);
// Reads at most SIZE bytes over the records; a shorter file leaves the rest as they were.
bool load(const QString &fileName);

} // namespace SettingsFile

#endif
