#include "app/inifile.h"
#include "archive/archivefiles.h"
#include "archive/archivestore.h"
#include "archive/xlsxexportfile.h"
#include "device/settingsfile.h"
#include "tests/support/filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Every writer of the tools on a disk that fills up while it writes: data far smaller than the
// write buffers must not be taken as written, nor leave a short file.
class tst_FileWrites : public QObject
{
    Q_OBJECT

private slots:
    void fullDisk_keepsThePreviousFileOrNone_data();
    void fullDisk_keepsThePreviousFileOrNone();
};

namespace {

enum class Writer { Ini, SettingsFile, Archive, Workbook };

constexpr rlim_t LIMIT = 40;
const QByteArray EARLIER = "earlier content";

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QString targetName(Writer writer)
{
    switch (writer) {
    case Writer::Ini: return QString::fromLatin1(INI_FILE_NAME);
    case Writer::SettingsFile: return QStringLiteral("setting.bin");
    case Writer::Archive: return QStringLiteral("chan03.arh");
    case Writer::Workbook: return QStringLiteral("book.xlsx");
    }
    return QString();
}

// Writes the writer's file into the folder; false when it said the file was not written
// ("ini" says nothing).
bool write(Writer writer, const QString &folder)
{
    switch (writer) {
    case Writer::Ini: {
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder);
        saveIni(); // 236 bytes and four lines
        QDir::setCurrent(previous);
        return false;
    }
    case Writer::SettingsFile:
        return SettingsFile::save(folder + QStringLiteral("/setting.bin")) ==
               SettingsFile::Result::Ok;
    case Writer::Archive: {
        const ArchiveRecord records[5] = {};
        return ArchiveStore(folder).saveToRoot(3, records, 5);
    }
    case Writer::Workbook: {
        XlsxExportFile book;
        book.file.setFileName(folder + QStringLiteral("/book.xlsx"));
        if (!book.createDocument(QStringLiteral("Лист")))
            return false;
        book.writeRow(1, {1.0, "text"});
        return book.finishDocument();
    }
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Writer)

void tst_FileWrites::fullDisk_keepsThePreviousFileOrNone_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<bool>("earlier");
    const QList<QPair<const char *, Writer>> writers = {{"ini", Writer::Ini},
                                                        {"settings file", Writer::SettingsFile},
                                                        {"downloaded archive", Writer::Archive},
                                                        {"workbook", Writer::Workbook}};
    for (const auto &writer : writers) {
        QTest::addRow("%s over an earlier file", writer.first) << writer.second << true;
        QTest::addRow("%s, new", writer.first) << writer.second << false;
    }
}

void tst_FileWrites::fullDisk_keepsThePreviousFileOrNone()
{
    QFETCH(Writer, writer);
    QFETCH(bool, earlier);
    QTemporaryDir dir;
    const QString target = dir.filePath(targetName(writer));
    if (earlier) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(EARLIER) == EARLIER.size());
    }
    if (writer == Writer::Archive) // the archive drive's marker is there from an earlier save
        QVERIFY(QFile(ArchiveFiles::markerFile(dir.path() + "/")).open(QIODevice::WriteOnly));
    const QStringList before = entries(dir.path());

    bool written = true;
    {
        const FileSizeLimit full(LIMIT);
        written = write(writer, dir.path());
    }

    QVERIFY(!written);
    QCOMPARE(entries(dir.path()), before);
    if (earlier)
        QCOMPARE(readBytes(target), EARLIER);
}

QTEST_GUILESS_MAIN(tst_FileWrites)
#include "tst_filewrites.moc"
