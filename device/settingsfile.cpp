#include "device/settingsfile.h"

#include "device/channelrecord.h"

#include <QFile>
#include <QSaveFile>

static_assert(sizeof(channelRecords) == SettingsFile::SIZE, "the settings file is 64 records");

namespace SettingsFile {

Result save(const QString &fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return Result::OpenFailed;
    if (file.write(reinterpret_cast<const char *>(channelRecords), SIZE) != SIZE || !file.commit())
        return Result::WriteFailed;
    return Result::Ok;
}

bool load(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    file.read(reinterpret_cast<char *>(channelRecords), SIZE);
    return true;
}

} // namespace SettingsFile
