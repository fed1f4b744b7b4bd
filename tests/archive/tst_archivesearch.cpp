#include "archivefixture.h"

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
};

void ArchiveSearchTest::findSelectsFirstRowAtOrAfterTarget_data()
{
    QTest::addColumn<int>("emptySlotRow");
    QTest::addColumn<int>("counted");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("selected");
    // Rows: 0 01.03 10:00, 1 01.03 12:00, 2 03.03 09:00, 3 03.03 18:00, 4 05.03 08:00.
    const auto add = [](const char *name, int emptySlotRow, int counted, const char *target,
                        int selected) {
        QTest::newRow(name) << emptySlotRow << counted << QString(target) << selected;
    };
    add("date before row 0 selects row 0", -1, 5, "2024-02-01T00:00:00", 0);
    add("date after last row selects last row", -1, 5, "2024-04-01T00:00:00", 4);
    add("date after last counted row selects it", -1, 3, "2024-04-01T00:00:00", 2);
    add("exact time selects its row", -1, 5, "2024-03-01T12:00:00", 1);
    add("time between rows selects later row", -1, 5, "2024-03-01T11:00:00", 1);
    add("time before the day's rows selects first", -1, 5, "2024-03-03T00:00:00", 2);
    add("time after the day's rows selects next day", -1, 5, "2024-03-01T13:00:00", 2);
    add("day without rows selects next day present", -1, 5, "2024-03-02T23:00:00", 2);
    add("time after the last day's rows selects last", -1, 5, "2024-03-05T09:00:00", 4);
    add("--- row stops the walk", 1, 5, "2024-03-05T08:00:00", 1);
    add("empty counted row stops the walk", -1, 7, "2024-04-01T00:00:00", 5);
    add("no counted rows keeps the selection", -1, 0, "2024-02-01T00:00:00", 3);
}

void ArchiveSearchTest::findSelectsFirstRowAtOrAfterTarget()
{
    QFETCH(int, emptySlotRow);
    QFETCH(int, counted);
    QFETCH(QString, target);
    QFETCH(int, selected);
    ArchiveFixture f;
    const char *times[] = {"2024-03-01T10:00:00Z", "2024-03-01T12:00:00Z", "2024-03-03T09:00:00Z",
                           "2024-03-03T18:00:00Z", "2024-03-05T08:00:00Z"};
    for (int row = 0; row < 5; ++row) {
        const ArchiveRecord record =
            row == emptySlotRow ? ArchiveRecord{} : makeRecord(times[row], 1, 7);
        f.archive.addEventRow(record, row);
        f.archive.addChannelRow(record, row);
    }
    f.archive.eventRows = f.archive.channelRecCount = counted;
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

QTEST_MAIN(ArchiveSearchTest)
#include "tst_archivesearch.moc"
