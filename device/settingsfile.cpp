#include "device/settingsfile.h"

#include "device/channelrecord.h"
#include "device/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

static_assert(sizeof(channelRecords) == SettingsFile::SIZE, "the settings file is 64 records");

namespace SettingsFile {

Result save(const QString &fileName)
{
    const QFileInfo target(fileName);
    if (!target.absoluteDir().exists())
        return Result::OpenFailed;
    if (!WholeFile::write(fileName, reinterpret_cast<const char *>(channelRecords), SIZE))
        return Result::WriteFailed;
    return Result::Ok;
}

LoadResult load(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return LoadResult::OpenFailed;
    // A pipe or a device is refused before it is read: it may never end.
    if (!info.isFile() || info.size() != SIZE)
        return LoadResult::WrongSize;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::OpenFailed;
    // One byte more than a settings file shows a file that grew since it was looked at.
    const QByteArray image = file.read(SIZE + 1);
    if (image.size() != SIZE)
        return LoadResult::WrongSize;
    std::memcpy(channelRecords, image.constData(), SIZE);
    return LoadResult::Ok;
}

QString wrongSizeText(const QString &fileName)
{
    return QStringLiteral("Неверный размер файла настроек ") + fileName;
}

} // namespace SettingsFile
