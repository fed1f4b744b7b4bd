#include "device/wholefile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace WholeFile {

bool write(const QString &fileName, const char *data, qint64 size)
{
    const QFileInfo target(fileName);
    if (!target.isFile() && (target.exists() || target.isSymLink()))
        return false;
    // Unbuffered, so that a write the disk refuses fails here: commit() takes a failed flush of
    // buffered data for success and would put a short file in place.
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
           file.write(data, size) == size && file.commit();
}

bool write(const QString &fileName, const QByteArray &data)
{
    return write(fileName, data.constData(), data.size());
}

bool isRegular(const QString &fileName)
{
    return QFileInfo(fileName).isFile();
}

QString notWrittenText(const QString &fileName)
{
    return QStringLiteral("Ошибка записи файла ") + fileName;
}

} // namespace WholeFile
