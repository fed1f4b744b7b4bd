#include "archivefixture.h"

#include "archive/archivestore.h"
#include "tests/support/filesizelimit.h"

#include <QtTest>
#include <optional>
#include <sys/fsuid.h>
#include <unistd.h>

// Saving downloaded archives: where they go, what the files hold, and what a failed save leaves.
// The store needs no GUI, so it runs here without one.
class ArchiveStoreTest : public QObject
{
    Q_OBJECT
private slots:
    void saveReplacesTheFileWithExactlyTheRecords_data();
    void saveReplacesTheFileWithExactlyTheRecords();
    void connectionKeepsOneFolderUntilANewOneIsStarted();
    void failedSaveKeepsWhatWasThere_data();
    void failedSaveKeepsWhatWasThere();
    void saveToRootWritesNoFolderAndReportsAnUnmakeableRoot();
};

namespace {

QByteArray recordBytes(int count)
{
    std::vector<ArchiveRecord> records;
    for (int i = 0; i < count; ++i)
        records.push_back(makeRecord("2024-05-17T13:45:09Z", 1, uint8_t(i % 14), uint16_t(i)));
    return QByteArray(reinterpret_cast<const char *>(records.data()),
                      int(records.size() * sizeof(ArchiveRecord)));
}

const ArchiveRecord *records(const QByteArray &bytes)
{
    return reinterpret_cast<const ArchiveRecord *>(bytes.constData());
}

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

const QString MARKER = QStringLiteral("ORVEK TQ-17 Archive v 01");

// Root passes every permission check; while this lives, files are reached with the rights of
// "nobody" instead, as a user would.
class UserFileRights
{
public:
    UserFileRights() : previous(setfsuid(geteuid() == 0 ? 65534 : geteuid())) {}
    ~UserFileRights() { setfsuid(previous); }

private:
    int previous;
};

enum class Failure { ReadOnlyFolder, FileSizeLimit, NameTakenByFolder };

} // namespace

Q_DECLARE_METATYPE(Failure)

void ArchiveStoreTest::saveReplacesTheFileWithExactlyTheRecords_data()
{
    QTest::addColumn<int>("archive");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("name");
    QTest::newRow("events") << 0 << 5 << "events.arh";
    QTest::newRow("channel 1") << 1 << 3 << "chan01.arh";
    QTest::newRow("channel 64, a full archive") << 64 << ARCHIVE_RECORD_CAPACITY << "chan64.arh";
    QTest::newRow("no records") << 7 << 0 << "chan07.arh";
}

void ArchiveStoreTest::saveReplacesTheFileWithExactlyTheRecords()
{
    QFETCH(int, archive);
    QFETCH(int, count);
    QFETCH(QString, name);
    TestHome home;
    ArchiveStore store;
    const QByteArray earlier = recordBytes(40);
    const QByteArray saved = recordBytes(count);
    QVERIFY(store.save(archive, records(earlier), 40));
    QVERIFY2(store.save(archive, records(saved), count), qPrintable(store.errorString()));
    QCOMPARE(store.errorString(), QString());

    QCOMPARE(store.root(), home.path() + "/Documents/TQ-17/");
    QCOMPARE(entries(store.root()), QStringList({QDir(store.folder()).dirName(), MARKER}));
    QCOMPARE(entries(store.folder()), QStringList{name});
    QCOMPARE(readBytes(store.folder() + name), saved);
}

void ArchiveStoreTest::connectionKeepsOneFolderUntilANewOneIsStarted()
{
    TestHome home;
    ArchiveStore store(home.path() + "/downloads/");
    const QByteArray bytes = recordBytes(2);
    const auto saveAt = [&](int archive, QTime time) {
        return store.save(archive, records(bytes), 2, QDateTime(QDate(2024, 5, 17), time));
    };
    QCOMPARE(store.folder(), QString());
    store.beginConnection(4711);
    QVERIFY(saveAt(0, QTime(13, 45, 9)));
    const QString first = store.root() + "20240517-134509_4711/";
    QCOMPARE(store.folder(), first);
    QVERIFY(saveAt(1, QTime(13, 50)));
    QCOMPARE(store.folder(), first);
    store.startNewFolder();
    QVERIFY(saveAt(1, QTime(14, 0)));
    QCOMPARE(store.folder(), store.root() + "20240517-140000_4711/");
    store.beginConnection(12);
    QVERIFY(saveAt(2, QTime(8, 5, 3)));
    QCOMPARE(store.folder(), store.root() + "20240517-080503_12/");

    QCOMPARE(entries(store.root()), QStringList({"20240517-080503_12", "20240517-134509_4711",
                                                 "20240517-140000_4711", MARKER}));
    QCOMPARE(entries(first), QStringList({"chan01.arh", "events.arh"}));
}

void ArchiveStoreTest::failedSaveKeepsWhatWasThere_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::newRow("read-only folder") << Failure::ReadOnlyFolder;
    QTest::newRow("write cut short by a full disk") << Failure::FileSizeLimit;
    QTest::newRow("name taken by a folder") << Failure::NameTakenByFolder;
}

void ArchiveStoreTest::failedSaveKeepsWhatWasThere()
{
    QFETCH(Failure, failure);
    TestHome home;
    ArchiveStore store;
    const QByteArray before = recordBytes(10);
    const QByteArray after = recordBytes(ARCHIVE_RECORD_CAPACITY);
    QVERIFY(store.save(2, records(before), 10));
    const QString file = store.folder() + "chan02.arh";
    const QString folder = store.folder();
    if (failure == Failure::NameTakenByFolder)
        QVERIFY(QFile::remove(file) && QDir().mkdir(file));
    if (failure == Failure::ReadOnlyFolder) {
        // The folders above must stay open to the user.
        for (QDir up(store.root()); up.path().startsWith(home.path()); up.cdUp())
            QVERIFY(QFile::setPermissions(up.path(), QFile::permissions(up.path()) |
                                                         QFile::ExeGroup | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadGroup | QFile::ExeGroup |
                                                  QFile::ReadOther | QFile::ExeOther));
    }
    bool saved = false;
    {
        std::optional<UserFileRights> user;
        std::optional<FileSizeLimit> full;
        if (failure == Failure::ReadOnlyFolder)
            user.emplace();
        if (failure == Failure::FileSizeLimit)
            full.emplace(rlim_t(after.size() / 2));
        saved = store.save(2, records(after), ARCHIVE_RECORD_CAPACITY);
    }
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QVERIFY(!saved);
    QVERIFY2(store.errorString().contains(file), qPrintable(store.errorString()));
    QCOMPARE(entries(folder), QStringList{"chan02.arh"});
    if (failure == Failure::NameTakenByFolder)
        QVERIFY(QFileInfo(file).isDir());
    else
        QCOMPARE(readBytes(file), before);
}

void ArchiveStoreTest::saveToRootWritesNoFolderAndReportsAnUnmakeableRoot()
{
    QTemporaryDir dir;
    const QByteArray bytes = recordBytes(3);
    ArchiveStore store(dir.path() + "/cli/out");
    QVERIFY(store.saveToRoot(5, records(bytes), 3));
    QVERIFY(store.saveToRoot(0, records(bytes), 1));
    QCOMPARE(store.folder(), QString());
    QCOMPARE(entries(store.root()), QStringList({MARKER, "chan05.arh", "events.arh"}));
    QCOMPARE(readBytes(store.root() + "chan05.arh"), bytes);

    ArchiveStore underFile(store.root() + "chan05.arh/TQ-17");
    QVERIFY(!underFile.saveToRoot(0, records(bytes), 1));
    QVERIFY(!underFile.save(0, records(bytes), 1));
    QVERIFY2(underFile.errorString().contains(underFile.root()),
             qPrintable(underFile.errorString()));
    QCOMPARE(entries(store.root()), QStringList({MARKER, "chan05.arh", "events.arh"}));
}

QTEST_GUILESS_MAIN(ArchiveStoreTest)
#include "tst_archivestore.moc"
