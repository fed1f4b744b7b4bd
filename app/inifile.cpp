#include "app/inifile.h"

#include "archive/xlsxexportfile.h"
#include "device/wholefile.h"

#include <QFile>

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

void appendIniLine(QByteArray &content, const QString &text)
{
    content += text.toUtf8();
    content += "\r\n";
}

} // namespace

bool loadIni()
{
    const QString name = QString::fromLatin1(INI_FILE_NAME);
    // A pipe or a device under the name would hold up the start, or never end.
    if (!WholeFile::isRegular(name))
        return false;
    QFile file(name);
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
    QByteArray content(reinterpret_cast<const char *>(&iniBlock), int(sizeof(iniBlock)));
    appendIniLine(content, settingsDir);
    appendIniLine(content, spareLine);
    appendIniLine(content, xlsxExportFile.lastDir);
    appendIniLine(content, xlsxExportFile.file.fileName());
    WholeFile::write(QString::fromLatin1(INI_FILE_NAME), content);
}
