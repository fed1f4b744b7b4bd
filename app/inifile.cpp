#include "app/inifile.h"

#include "archive/xlsxexportfile.h"

#include <QFile>
#include <QSaveFile>

IniBlock iniBlock;
QString settingsDir;
QString spareLine;

const char INI_FILE_NAME[] = "ini";

namespace {

// A line up to and including its LF, decoded up to its first NUL byte.
QString readIniLine(QFile &file)
{
    const QByteArray line = file.readLine();
    return QString::fromUtf8(line.constData());
}

void writeIniLine(QSaveFile &file, const QString &text)
{
    file.write(text.toUtf8());
    file.write("\r\n");
}

} // namespace

bool loadIni()
{
    QFile file(QString::fromLatin1(INI_FILE_NAME));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.read(reinterpret_cast<char *>(&iniBlock), sizeof(iniBlock)) <= 0)
        return false;
    settingsDir = readIniLine(file).trimmed();
    spareLine = readIniLine(file).trimmed();
    xlsxExportFile.lastDir = readIniLine(file).trimmed();
    // The export file name is kept as read; the export trims it where it is used.
    xlsxExportFile.file.setFileName(readIniLine(file));
    return true;
}

void saveIni()
{
    QSaveFile file(QString::fromLatin1(INI_FILE_NAME));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(reinterpret_cast<const char *>(&iniBlock), sizeof(iniBlock));
    writeIniLine(file, settingsDir);
    writeIniLine(file, spareLine);
    writeIniLine(file, xlsxExportFile.lastDir);
    writeIniLine(file, xlsxExportFile.file.fileName());
    file.commit();
}
