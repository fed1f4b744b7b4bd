#include "archivefixture.h"

#include "archive/archivestore.h"
#include "archive/drives.h"

#include <QtTest>

// Finding a date and time in the archive tables, and finding archive drives and folders.
class ArchiveSearchTest : public QObject
{
    Q_OBJECT
private slots:
    void findSelectsFirstRowAtOrAfterTarget_data();
    void findSelectsFirstRowAtOrAfterTarget();
    void scanDirsListsDigitFirstNamesDescending();
    void scanDisksKeepsRootsWithMarkerOnly();
    void mountedVolumeRootsEndWithSlashAndIncludeRoot();
    void downloadRootIsListedAfterTheDrivesWhileItExists();
    void downloadedFolderIsSelectedAndImports();
    void searchEditsShowDayFirstDateAnd24HourTime();
};

namespace {

QStringList items(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

void ArchiveSearchTest::findSelectsFirstRowAtOrAfterTarget_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<int>("counted");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("selected");
    // A row per character: a 01.03 10:00, b 01.03 12:00, c 03.03 09:00, d 03.03 18:00,
    // e 05.03 08:00; '-' an empty slot ("---"), ' ' a row never written, 'x' a record whose
    // date the table cannot show as "dd.MM.yy" (2100). Counted -1 counts every row.
    const auto add = [](const char *name, const char *rows, int counted, const char *target,
                        int selected) {
        QTest::newRow(name) << QByteArray(rows) << counted << QString(target) << selected;
    };
    add("date before row 0 selects row 0", "abcde", -1, "2024-02-01T00:00:00", 0);
    add("date after last row selects last row", "abcde", -1, "2024-04-01T00:00:00", 4);
    add("date after last counted row selects it", "abcde", 3, "2024-04-01T00:00:00", 2);
    add("exact time selects its row", "abcde", -1, "2024-03-01T12:00:00", 1);
    add("time between rows selects later row", "abcde", -1, "2024-03-01T11:00:00", 1);
    add("time before the day's rows selects first", "abcde", -1, "2024-03-03T00:00:00", 2);
    add("time after the day's rows selects next day", "abcde", -1, "2024-03-01T13:00:00", 2);
    add("day without rows selects next day present", "abcde", -1, "2024-03-02T23:00:00", 2);
    add("time after the last day's rows selects last", "abcde", -1, "2024-03-05T09:00:00", 4);
    add("--- rows before the target are skipped", "--abcde", -1, "2024-03-01T11:00:00", 3);
    add("--- rows before a later day are skipped", "--abcde", -1, "2024-03-02T00:00:00", 4);
    add("--- row between the day's rows is skipped", "a-bcde", -1, "2024-03-01T11:00:00", 2);
    add("--- row between days is skipped", "ab-cde", -1, "2024-03-01T13:00:00", 3);
    add("--- row does not stop the walk", "a-cde", -1, "2024-03-05T08:00:00", 4);
    add("--- rows after the target are skipped", "abcde--", -1, "2024-04-01T00:00:00", 4);
    add("--- rows after the last day's rows are skipped", "abcde--", -1, "2024-03-05T09:00:00", 4);
    add("empty counted rows are skipped", "abcde  ", -1, "2024-04-01T00:00:00", 4);
    add("unshowable date is skipped", "axbcde", -1, "2024-03-01T11:00:00", 2);
    add("no valid row keeps the selection", "- -x-", -1, "2024-03-01T11:00:00", 3);
    add("no counted rows keeps the selection", "abcde", 0, "2024-02-01T00:00:00", 3);
}

void ArchiveSearchTest::findSelectsFirstRowAtOrAfterTarget()
{
    QFETCH(QByteArray, rows);
    QFETCH(int, counted);
    QFETCH(QString, target);
    QFETCH(int, selected);
    ArchiveFixture f;
    const char *times[] = {"2024-03-01T10:00:00Z", "2024-03-01T12:00:00Z", "2024-03-03T09:00:00Z",
                           "2024-03-03T18:00:00Z", "2024-03-05T08:00:00Z"};
    for (int row = 0; row < rows.size(); ++row) {
        const char kind = rows.at(row);
        if (kind == ' ')
            continue;
        const ArchiveRecord record = kind == '-'   ? ArchiveRecord{}
                                     : kind == 'x' ? makeRecord("2100-03-01T11:00:00Z", 1, 7)
                                                   : makeRecord(times[kind - 'a'], 1, 7);
        f.archive.addEventRow(record, row);
        f.archive.addChannelRow(record, row);
    }
    f.archive.eventRows = f.archive.channelRecCount = counted < 0 ? int(rows.size()) : counted;
    f.ui.tvArcEvents->selectRow(3);
    f.ui.tvArcNotes->selectRow(3);
    const QDateTime moment = QDateTime::fromString(target, Qt::ISODate);
    f.ui.dateEdit->setDate(moment.date());
    f.ui.timeEdit->setTime(moment.time());

    f.archive.findByDateTime();
    QCOMPARE(f.selectedRow(f.ui.tvArcEvents), selected);
    QCOMPARE(f.selectedRow(f.ui.tvArcNotes), selected);
}

void ArchiveSearchTest::scanDirsListsDigitFirstNamesDescending()
{
    ArchiveFixture f;
    for (const char *name : {"10", "2024_01", "1a", "1B", "abc", "_1", "\u0663x"})
        QDir(f.drive()).mkdir(QString::fromUtf8(name));
    writeBytes(f.drive() + "9.txt", "x");
    QDir().mkdir("123");
    f.archive.scanDirs();
    QStringList listed;
    for (int i = 0; i < f.ui.cbArcDirs->count(); ++i)
        listed << f.ui.cbArcDirs->itemText(i);
    QCOMPARE(listed, QStringList({"\u0663x", "9.txt", "2405", "2024_01", "1B", "1a", "10"}));
    QCOMPARE(f.ui.cbArcDirs->currentIndex(), 0);

    f.archive.setDriveSource([] { return QStringList(); });
    f.archive.scanDisks();
    f.archive.scanDirs();
    QCOMPARE(f.ui.cbArcDisk->count(), 0);
    QCOMPARE(f.ui.cbArcDirs->count(), 0);
}

void ArchiveSearchTest::scanDisksKeepsRootsWithMarkerOnly()
{
    ArchiveFixture f;
    const QString base = f.dir.path();
    for (const char *root : {"/a", "/b", "/c"})
        QDir().mkdir(base + root);
    writeBytes(base + "/a/ORVEK TQ-17 Archive v 01", QByteArray());
    writeBytes(base + "/b/ORVEK TQ-17 Archive v 0", QByteArray());
    QDir().mkdir(base + "/c/ORVEK TQ-17 Archive v 01");
    const QStringList roots = {base + "/a/", base + "/b/", base + "/c/", base + "/none/"};
    f.archive.setDriveSource([roots] { return roots; });

    f.archive.scanDisks();
    QCOMPARE(f.ui.cbArcDisk->count(), 2);
    QCOMPARE(f.ui.cbArcDisk->itemText(0), roots[0]);
    QCOMPARE(f.ui.cbArcDisk->itemText(1), roots[2]);
}

void ArchiveSearchTest::mountedVolumeRootsEndWithSlashAndIncludeRoot()
{
    const QStringList roots = archiveDriveRoots();
    QVERIFY(roots.contains("/"));
    for (const QString &root : roots)
        QVERIFY2(root.endsWith('/'), qPrintable(root));
}

void ArchiveSearchTest::downloadRootIsListedAfterTheDrivesWhileItExists()
{
    ArchiveFixture f;
    ArchiveStore store;
    QCOMPARE(items(f.ui.cbArcDisk), QStringList{f.drive()});
    const ArchiveRecord record = makeRecord("2024-05-17T13:45:09Z");
    QVERIFY(store.save(0, &record, 1));
    f.archive.scanDisks();
    QCOMPARE(items(f.ui.cbArcDisk), QStringList({f.drive(), store.root()}));

    f.archive.setDriveSource([&] { return QStringList{store.root(), f.drive()}; });
    f.archive.scanDisks();
    QCOMPARE(items(f.ui.cbArcDisk), QStringList({store.root(), f.drive()}));

    QVERIFY(QDir(store.root()).removeRecursively());
    f.archive.scanDisks();
    QCOMPARE(items(f.ui.cbArcDisk), QStringList{f.drive()});

    ArchiveStore elsewhere(f.dir.path() + "/cli");
    QVERIFY(elsewhere.saveToRoot(0, &record, 1));
    f.archive.setDownloadRoot(elsewhere.root());
    f.archive.scanDisks();
    QCOMPARE(items(f.ui.cbArcDisk), QStringList({f.drive(), elsewhere.root()}));
}

void ArchiveSearchTest::downloadedFolderIsSelectedAndImports()
{
    ArchiveFixture f;
    ArchiveStore store;
    store.beginConnection(4711);
    const std::vector<ArchiveRecord> records(4, makeRecord("2024-05-18T08:00:00Z", 2, 1));
    QVERIFY(store.save(0, records.data(), 3, QDateTime(QDate(2024, 5, 17), QTime(14, 0))));
    QVERIFY(store.save(2, records.data(), 4));
    const QString older = store.folder();
    store.startNewFolder();
    QVERIFY(store.save(0, records.data(), 1, QDateTime(QDate(2024, 5, 18), QTime(9, 0))));

    QVERIFY(f.archive.selectFolder(older));
    QCOMPARE(f.ui.cbArcDisk->currentText(), store.root());
    QCOMPARE(items(f.ui.cbArcDirs), QStringList({"20240518-090000_4711", "20240517-140000_4711"}));
    QCOMPARE(f.ui.cbArcDirs->currentText(), QString("20240517-140000_4711"));
    f.load(2);
    QCOMPARE(f.archive.eventRecCount, 3);
    QCOMPARE(f.archive.channelRecCount, 4);
    QCOMPARE(f.cell(f.ui.tvArcNotes, 3, 0), QString("18.05.24"));

    QVERIFY(f.archive.selectFolder(f.folder()));
    QCOMPARE(f.ui.cbArcDirs->currentText(), QString("2405"));
    QVERIFY(!f.archive.selectFolder(f.dir.path() + "/unlisted/2405"));
    QVERIFY(!f.archive.selectFolder(store.root() + "20240519-000000_4711"));
}

void ArchiveSearchTest::searchEditsShowDayFirstDateAnd24HourTime()
{
    ArchiveFixture f;
    f.ui.dateEdit->setDate(QDate(2024, 5, 7));
    f.ui.timeEdit->setTime(QTime(13, 4, 9));
    QCOMPARE(f.ui.dateEdit->text(), QString("07.05.2024"));
    QCOMPARE(f.ui.timeEdit->text(), QString("13:04:09"));
}

QTEST_MAIN(ArchiveSearchTest)
#include "tst_archivesearch.moc"
