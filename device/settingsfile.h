#ifndef SETTINGSFILE_H
#define SETTINGSFILE_H

#include <QString>

// The settings file is the raw image of the 64 channel records.
namespace SettingsFile {

constexpr qint64 SIZE = 65536;

enum class Result { Ok, OpenFailed, WriteFailed };
enum class LoadResult { Ok, OpenFailed, WrongSize };

// Written through a temporary file, so a failure leaves an earlier file intact.
Result save(const QString &fileName);
// Takes a regular file of exactly SIZE bytes over the records; anything else (WrongSize,
// OpenFailed) leaves them as they were.
LoadResult load(const QString &fileName);
// Why a file was refused by load() with WrongSize.
QString wrongSizeText(const QString &fileName);

} // namespace SettingsFile

#endif
