#include "archivefixture.h"

#include "archive/archivefiles.h"
#include "archive/archivestore.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testhome.h"

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
    void savedFileHoldsExactlyTheRecords_data();
    void savedFileHoldsExactlyTheRecords();
    void connectionKeepsOneFolderUntilANewOneIsStarted();
    void secondSaveReplacesTheFirst();
    void saveToRootWritesNoFolder();
    void failedSaveKeepsWhatWasThere_data();
    void failedSaveKeepsWhatWasThere();
    void rootThatCannotBeMadeIsReported();
};

namespace {

std::vector<ArchiveRecord> records(int count, uint8_t channel)
{
    std::vector<ArchiveRecord> list;
    for (int i = 0; i < count; ++i)
        list.push_back(makeRecord("2024-05-17T13:45:09Z", channel, uint8_t(i % 14), uint16_t(i),
                                  0x11, uint16_t(count - i)));
    return list;
}

QByteArray bytesOf(const std::vector<ArchiveRecord> &list)
{
    return QByteArray(reinterpret_cast<const char *>(list.data()),
                      int(list.size() * sizeof(ArchiveRecord)));
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

QDateTime localTime(int hour, int minute, int second)
{
    return QDateTime(QDate(2024, 5, 17), QTime(hour, minute, second), Qt::LocalTime);
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

void ArchiveStoreTest::savedFileHoldsExactlyTheRecords_data()
{
    QTest::addColumn<int>("archive");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("name");
    QTest::newRow("events") << 0 << 5 << "events.arh";
    QTest::newRow("channel 1") << 1 << 3 << "chan01.arh";
    QTest::newRow("channel 64, a full archive") << 64 << ARCHIVE_RECORD_CAPACITY << "chan64.arh";
    QTest::newRow("no records") << 7 << 0 << "chan07.arh";
}

void ArchiveStoreTest::savedFileHoldsExactlyTheRecords()
{
    QFETCH(int, archive);
    QFETCH(int, count);
    QFETCH(QString, name);
    TestHome home;
    ArchiveStore store;
    store.beginConnection(4711);
    const std::vector<ArchiveRecord> saved = records(count, uint8_t(archive));
    QVERIFY2(store.save(archive, saved.data(), count), qPrintable(store.errorString()));
    QCOMPARE(store.errorString(), QString());

    QCOMPARE(store.root(), home.path() + "/Documents/TQ-17/");
    QCOMPARE(entries(store.root()), QStringList({QDir(store.folder()).dirName(), MARKER}));
    QCOMPARE(entries(store.folder()), QStringList{name});
    // Read back as the archive tab reads its files.
    QFile file(store.folder() + name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    std::vector<ArchiveRecord> read(size_t(count) + 1);
    QCOMPARE(ArchiveFiles::readRecords(file, read.data(), count + 1), count);
    read.pop_back();
    QCOMPARE(bytesOf(read), bytesOf(saved));
}

void ArchiveStoreTest::connectionKeepsOneFolderUntilANewOneIsStarted()
{
    TestHome home;
    ArchiveStore store(home.path() + "/downloads/");
    const std::vector<ArchiveRecord> list = records(2, 1);
    QCOMPARE(store.folder(), QString());
    store.beginConnection(4711);
    QVERIFY(store.save(0, list.data(), 2, localTime(13, 45, 9)));
    const QString first = store.root() + "20240517-134509_4711/";
    QCOMPARE(store.folder(), first);
    QVERIFY(store.save(1, list.data(), 2, localTime(13, 50, 0)));
    QCOMPARE(store.folder(), first);

    store.startNewFolder();
    QVERIFY(store.save(1, list.data(), 2, localTime(14, 0, 0)));
    QCOMPARE(store.folder(), store.root() + "20240517-140000_4711/");

    store.beginConnection(12);
    QVERIFY(store.save(2, list.data(), 2, localTime(8, 5, 3)));
    QCOMPARE(store.folder(), store.root() + "20240517-080503_12/");

    QCOMPARE(entries(store.root()), QStringList({"20240517-080503_12", "20240517-134509_4711",
                                                 "20240517-140000_4711", MARKER}));
    QCOMPARE(entries(first), QStringList({"chan01.arh", "events.arh"}));
}

void ArchiveStoreTest::secondSaveReplacesTheFirst()
{
    TestHome home;
    ArchiveStore store;
    const std::vector<ArchiveRecord> first = records(40, 3);
    const std::vector<ArchiveRecord> second = records(2, 9);
    QVERIFY(store.save(3, first.data(), 40));
    QVERIFY(store.save(3, second.data(), 2));
    QCOMPARE(entries(store.folder()), QStringList{"chan03.arh"});
    QCOMPARE(readBytes(store.folder() + "chan03.arh"), bytesOf(second));
}

void ArchiveStoreTest::saveToRootWritesNoFolder()
{
    QTemporaryDir dir;
    ArchiveStore store(dir.path() + "/cli/out");
    const std::vector<ArchiveRecord> list = records(3, 5);
    QVERIFY(store.saveToRoot(5, list.data(), 3));
    QVERIFY(store.saveToRoot(0, list.data(), 1));
    QCOMPARE(store.root(), dir.path() + "/cli/out/");
    QCOMPARE(store.folder(), QString());
    QCOMPARE(entries(store.root()), QStringList({MARKER, "chan05.arh", "events.arh"}));
    QCOMPARE(readBytes(store.root() + "chan05.arh"), bytesOf(list));
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
    const std::vector<ArchiveRecord> before = records(10, 2);
    const std::vector<ArchiveRecord> after = records(ARCHIVE_RECORD_CAPACITY, 2);
    QVERIFY(store.save(2, before.data(), 10));
    const QString file = store.folder() + "chan02.arh";
    if (failure == Failure::NameTakenByFolder) {
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkdir(file));
    }
    if (failure == Failure::ReadOnlyFolder) {
        // The folders above must stay open to the user.
        for (QDir up(store.root()); up.path().startsWith(home.path()); up.cdUp())
            QVERIFY(QFile::setPermissions(up.path(), QFile::permissions(up.path()) |
                                                         QFile::ExeGroup | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(store.folder(), QFile::ReadOwner | QFile::ExeOwner |
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
            full.emplace(rlim_t(bytesOf(after).size() / 2));
        saved = store.save(2, after.data(), int(after.size()));
    }
    QVERIFY(QFile::setPermissions(store.folder(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QVERIFY(!saved);
    QVERIFY2(store.errorString().contains(file), qPrintable(store.errorString()));
    QCOMPARE(entries(store.folder()), QStringList{"chan02.arh"});
    if (failure == Failure::NameTakenByFolder)
        QVERIFY(QFileInfo(file).isDir());
    else
        QCOMPARE(readBytes(file), bytesOf(before));
}

void ArchiveStoreTest::rootThatCannotBeMadeIsReported()
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("file"), "x");
    ArchiveStore store(dir.filePath("file/TQ-17"));
    const std::vector<ArchiveRecord> list = records(1, 1);
    QVERIFY(!store.save(0, list.data(), 1));
    QVERIFY(!store.saveToRoot(0, list.data(), 1));
    QVERIFY2(store.errorString().contains(store.root()), qPrintable(store.errorString()));
    QCOMPARE(store.folder(), QString());
    QCOMPARE(entries(dir.path()), QStringList{"file"});
}

QTEST_GUILESS_MAIN(ArchiveStoreTest)
#include "tst_archivestore.moc"
