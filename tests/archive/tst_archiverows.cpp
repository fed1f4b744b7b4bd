#include "archivefixture.h"

#include "archive/archivecolumns.h"
#include "tests/support/modalanswerer.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QtTest>

// Writing records into the two archive tables, loading folders, and changing the device type.
class ArchiveRowsTest : public QObject
{
    Q_OBJECT
private slots:
    void eventRowShowsRecordTexts_data();
    void eventRowShowsRecordTexts();
    void channelRowShowsRecordTexts_data();
    void channelRowShowsRecordTexts();
    void transferLongerThanTheTableStopsAtItsLastRow();
    void archivesLongerThanTheTableFillItToTheLastRow();
    void eventsOnlyLoadClearsRowsAfterLastRecord_data();
    void eventsOnlyLoadClearsRowsAfterLastRecord();
    void channelLoadShowsOnlyThatChannelAndEventsLoadKeepsIt();
    void missingFileIsReportedAndChangesNothing_data();
    void missingFileIsReportedAndChangesNothing();
    void malformedFilesLoadWithinBuffers_data();
    void malformedFilesLoadWithinBuffers();
    void deviceTypeChangeGivesEmpty8000RowTablesAnd64Channels();
};

namespace {
const ArchiveRecord FULL_ROW = makeRecord("2030-06-07T08:09:10Z", 0, 1, 999, 0x11, 7);
const ArchiveRecord EMPTY_00 = makeRecord("2024-01-01T00:00:00Z", 3, 1, 5, 0x11, 9, 0x00);
const ArchiveRecord EMPTY_FF = makeRecord("2024-01-01T00:00:00Z", 3, 1, 5, 0x11, 9, 0xFF);
const QStringList EMPTY_SLOT_ROW = {"---", "", "", "", "", "", "", ""};
const QStringList BLANK_ROW = {"", "", "", "", "", "", "", ""};
} // namespace

void ArchiveRowsTest::eventRowShowsRecordTexts_data()
{
    QTest::addColumn<ArchiveRecord>("record");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("time 0 is 01.01.-30, code 7 has no value")
        << makeRecord("1970-01-01T00:00:00Z", 0, 7, 12, 0x11, 0)
        << QStringList{"01.01.-30", "00:00:00", "00", "ПРИБОР ВКЛ.", "", "", "", "00000"};
    QTest::newRow("year 2100 has three digits")
        << makeRecord("2100-01-01T23:59:59Z", 64, 1, 1234, 0x11, 42)
        << QStringList{"01.01.100", "23:59:59", "64", "ПОРОГ 1", "123.4", "%НКПР", "", "00042"};
    QTest::newRow("raw 65535 with 3 decimals")
        << makeRecord("2024-03-05T12:34:56Z", 3, 10, 65535, 0x32, 65535)
        << QStringList{"05.03.24", "12:34:56", "03", "КОНЦ.ПРЕВЫШЕНА",
                       "65.535",   "ppm",      "",   "65535"};
    QTest::newRow("raw 65535 with 0 decimals")
        << makeRecord("2024-03-05T12:34:56Z", 3, 13, 65535, 0x03, 1)
        << QStringList{"05.03.24", "12:34:56", "03", "ДЕЛЬТА", "65535", "mg/m3", "", "00001"};
    QTest::newRow("code 4 drops value and unit")
        << makeRecord("2024-03-05T12:34:56Z", 1, 4, 99, 0x22, 0)
        << QStringList{"05.03.24", "12:34:56", "01", "ИНЦИАЛИЗАЦИЯ", "", "", "", "00000"};
    QTest::newRow("unit index 12 shows unit 0")
        << makeRecord("2024-03-05T12:34:56Z", 1, 2, 5, 0x2C, 0)
        << QStringList{"05.03.24", "12:34:56", "01", "ПОРОГ 2", "0.05", "-", "", "00000"};
    QTest::newRow("code 200 shows its number and no value")
        << makeRecord("2024-03-05T12:34:56Z", 1, 200, 5, 0x11, 0)
        << QStringList{"05.03.24", "12:34:56", "01", "200", "", "", "", "00000"};
    QTest::newRow("marker 0x00 is an empty slot") << EMPTY_00 << EMPTY_SLOT_ROW;
    QTest::newRow("marker 0xFF is an empty slot") << EMPTY_FF << EMPTY_SLOT_ROW;
}

void ArchiveRowsTest::eventRowShowsRecordTexts()
{
    QFETCH(ArchiveRecord, record);
    QFETCH(QStringList, texts);
    ArchiveFixture f;
    f.archive.addEventRow(FULL_ROW, 5);
    f.archive.eventRows = 3;
    f.archive.addEventRow(record, 5);
    QCOMPARE(f.rowTexts(f.ui.tvArcEvents, 5), texts);
    QCOMPARE(f.archive.eventRows, ArchiveText::isValid(record) ? 6 : 3);
}

void ArchiveRowsTest::channelRowShowsRecordTexts_data()
{
    QTest::addColumn<ArchiveRecord>("record");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("every record shows its value, whatever its code")
        << makeRecord("2024-03-05T12:34:56Z", 2, 4, 1234, 0x11, 42)
        << QStringList{"05.03.24", "12:34:56", "123.4", "%НКПР", "", "", "", "0042"};
    QTest::newRow("unit index 12 shows -")
        << makeRecord("1970-01-01T00:00:00Z", 0, 0, 65535, 0x3C, 0)
        << QStringList{"01.01.-30", "00:00:00", "65.535", "-", "", "", "", "0000"};
    QTest::newRow("marker 0x00 is an empty slot") << EMPTY_00 << EMPTY_SLOT_ROW;
}

void ArchiveRowsTest::channelRowShowsRecordTexts()
{
    QFETCH(ArchiveRecord, record);
    QFETCH(QStringList, texts);
    ArchiveFixture f;
    f.archive.addChannelRow(FULL_ROW, 5);
    f.archive.channelRows = 3;
    f.archive.addChannelRow(record, 5);
    QCOMPARE(f.rowTexts(f.ui.tvArcNotes, 5), texts);
    QCOMPARE(f.archive.channelRows, ArchiveText::isValid(record) ? 6 : 3);
}

void ArchiveRowsTest::transferLongerThanTheTableStopsAtItsLastRow()
{
    ArchiveFixture f(8000, 64);
    f.archive.channelRows = -1;
    for (int row = 0; row < 8064; ++row)
        f.archive.addChannelRow(FULL_ROW, row);
    QCOMPARE(f.archive.rowLimit(), 8000);
    QCOMPARE(f.ui.tvArcNotes->model()->rowCount(), 8000);
    QCOMPARE(f.archive.channelRows, 8000);
    QCOMPARE(f.cell(f.ui.tvArcNotes, 7999, 0), QString("07.06.30"));

    // A transfer of empty slots only leaves no filled row, so blanking starts at row 0.
    f.archive.channelRows = -1;
    for (int row = 0; row < 64; ++row)
        f.archive.addChannelRow(EMPTY_00, row);
    f.archive.blankChannelRows(f.archive.channelRows);
    QCOMPARE(f.rowTexts(f.ui.tvArcNotes, 0), BLANK_ROW);
    QCOMPARE(f.rowTexts(f.ui.tvArcNotes, 7999), BLANK_ROW);
}

void ArchiveRowsTest::archivesLongerThanTheTableFillItToTheLastRow()
{
    ArchiveFixture f(8000, 64);
    writeRecords(f.folder() + "events.arh", std::vector<ArchiveRecord>(16005, FULL_ROW));
    writeRecords(f.folder() + "chan01.arh", std::vector<ArchiveRecord>(16005, FULL_ROW));
    f.load(0);
    QCOMPARE(f.archive.eventRecCount, 16000);
    QCOMPARE(f.archive.eventRows, 8000);
    f.load(1);
    QCOMPARE(f.archive.channelRecCount, 16000);
    QCOMPARE(f.archive.channelRows, 8000);

    f.ui.tvArcEvents->selectRow(0);
    f.ui.tvArcNotes->selectRow(0);
    f.ui.dateEdit->setDate(QDate(2031, 1, 1));
    f.archive.findByDateTime();
    QCOMPARE(f.selectedRow(f.ui.tvArcEvents), 7999);
    QCOMPARE(f.selectedRow(f.ui.tvArcNotes), 7999);
}

void ArchiveRowsTest::eventsOnlyLoadClearsRowsAfterLastRecord_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("shown");
    QTest::newRow("3 records clear rows 3 on") << 3 << 3;
    QTest::newRow("15999 records clear row 15999") << 15999 << 15999;
    QTest::newRow("16000 records clear nothing") << 16000 << 16000;
    QTest::newRow("16005 records show the first 16000") << 16005 << 16000;
}

void ArchiveRowsTest::eventsOnlyLoadClearsRowsAfterLastRecord()
{
    QFETCH(int, records);
    QFETCH(int, shown);
    ArchiveFixture f;
    writeRecords(f.folder() + "events.arh", std::vector<ArchiveRecord>(16000, FULL_ROW));
    f.load(0);
    std::vector<ArchiveRecord> file(records, makeRecord("2024-03-05T12:34:56Z", 1, 7));
    file[1] = EMPTY_00;
    writeRecords(f.folder() + "events.arh", file);
    f.load(0);

    QCOMPARE(f.cell(f.ui.tvArcEvents, 0, 0), QString("05.03.24"));
    QCOMPARE(f.cell(f.ui.tvArcEvents, 1, 0), QString("---"));
    QCOMPARE(f.cell(f.ui.tvArcEvents, shown - 1, 3), QString("ПРИБОР ВКЛ."));
    if (shown < 16000)
        QCOMPARE(f.rowTexts(f.ui.tvArcEvents, shown), BLANK_ROW);
    QCOMPARE(f.archive.eventRecCount, shown);
    QCOMPARE(f.archive.eventRows, shown);
    QCOMPARE(f.selectedRow(f.ui.tvArcEvents), shown - 1);
}

void ArchiveRowsTest::channelLoadShowsOnlyThatChannelAndEventsLoadKeepsIt()
{
    ArchiveFixture f;
    writeRecords(f.folder() + "events.arh", std::vector<ArchiveRecord>(20, FULL_ROW));
    writeRecords(f.folder() + "chan03.arh", std::vector<ArchiveRecord>(20, FULL_ROW));
    f.load(3);
    writeRecords(f.folder() + "events.arh", {makeRecord("2024-03-05T10:00:00Z", 0, 7),
                                             makeRecord("2024-03-05T11:00:00Z", 5, 1), EMPTY_00,
                                             makeRecord("2024-03-05T12:00:00Z", 3, 6), EMPTY_FF});
    writeRecords(f.folder() + "chan03.arh", {makeRecord("2024-03-05T10:00:00Z"), EMPTY_00,
                                             makeRecord("2024-03-05T10:10:00Z"), EMPTY_00});
    f.load(3);

    QStringList events, channel;
    for (int row = 0; row < 4; ++row) {
        events << f.cell(f.ui.tvArcEvents, row, 1) + " " + f.cell(f.ui.tvArcEvents, row, 2);
        channel << f.cell(f.ui.tvArcNotes, row, 0) + " " + f.cell(f.ui.tvArcNotes, row, 1);
    }
    QCOMPARE(events, QStringList({"10:00:00 00", "12:00:00 03", " ", " "}));
    QCOMPARE(channel, QStringList({"05.03.24 10:00:00", "--- ", "05.03.24 10:10:00", " "}));
    QCOMPARE(f.rowTexts(f.ui.tvArcNotes, 19), BLANK_ROW);
    QCOMPARE(f.archive.eventRows, 2);
    QCOMPARE(f.archive.channelRows, 3);
    QCOMPARE(f.archive.channelRecCount, 4);
    QCOMPARE(f.selectedRow(f.ui.tvArcEvents), 1);
    QCOMPARE(f.selectedRow(f.ui.tvArcNotes), 3);

    f.load(0);
    QCOMPARE(f.cell(f.ui.tvArcNotes, 2, 1), QString("10:10:00"));
    QCOMPARE(f.archive.channelRows, 3);
    QCOMPARE(f.archive.channelRecCount, 0);
}

void ArchiveRowsTest::missingFileIsReportedAndChangesNothing_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("missing");
    QTest::newRow("events file") << 0 << "events.arh";
    QTest::newRow("channel file") << 2 << "chan02.arh";
}

void ArchiveRowsTest::missingFileIsReportedAndChangesNothing()
{
    QFETCH(int, channel);
    QFETCH(QString, missing);
    ArchiveFixture f;
    writeRecords(f.folder() + "events.arh", {FULL_ROW, FULL_ROW});
    writeRecords(f.folder() + "chan01.arh", {FULL_ROW});
    f.load(1);
    // An events file that loaded would empty the tables.
    if (channel == 0)
        QFile::remove(f.folder() + "events.arh");
    else
        writeRecords(f.folder() + "events.arh", {});
    const QStringList before = f.rowTexts(f.ui.tvArcEvents, 1) + f.rowTexts(f.ui.tvArcNotes, 0);

    ModalAnswerer answerer;
    f.load(channel);
    QCOMPARE(answerer.messages(), QStringList("Ошибка открытия файла " + f.folder() + missing));
    QCOMPARE(f.rowTexts(f.ui.tvArcEvents, 1) + f.rowTexts(f.ui.tvArcNotes, 0), before);
    QCOMPARE(QVector<int>({f.archive.eventRows, f.archive.eventRecCount, f.archive.channelRows,
                           f.archive.channelRecCount}),
             QVector<int>({2, 2, 1, 1}));
}

void ArchiveRowsTest::malformedFilesLoadWithinBuffers_data()
{
    QTest::addColumn<int>("bytes");
    QTest::newRow("empty") << 0;
    QTest::newRow("17 bytes") << 17;
    QTest::newRow("not a multiple of 16") << 16 * 700 + 9;
    QTest::newRow("3 megabytes") << 3 * 1024 * 1024;
}

void ArchiveRowsTest::malformedFilesLoadWithinBuffers()
{
    QFETCH(int, bytes);
    ArchiveFixture f;
    QByteArray noise(bytes, Qt::Uninitialized);
    QRandomGenerator generator{quint32(bytes)};
    for (char &byte : noise)
        byte = char(generator.bounded(256));
    writeBytes(f.folder() + "events.arh", noise);
    writeBytes(f.folder() + "chan01.arh", noise);
    const int records = std::min(bytes / 16, 16000);
    for (int channel : {0, 1}) {
        f.load(channel);
        QCOMPARE(f.archive.eventRecCount, records);
        QCOMPARE(f.archive.channelRecCount, channel ? records : 0);
        QCOMPARE(f.ui.tvArcEvents->model()->rowCount(), 16000);
        QVERIFY(f.archive.eventRows <= records && f.archive.channelRows <= records);
    }
}

void ArchiveRowsTest::deviceTypeChangeGivesEmpty8000RowTablesAnd64Channels()
{
    ArchiveFixture f;
    writeRecords(f.folder() + "events.arh", std::vector<ArchiveRecord>(16000, FULL_ROW));
    writeRecords(f.folder() + "chan01.arh", std::vector<ArchiveRecord>(16000, FULL_ROW));
    f.load(1);
    const QPointer<QAbstractItemModel> oldModel = f.ui.tvArcEvents->model();
    const QPointer<QItemSelectionModel> oldSelection = f.ui.tvArcNotes->selectionModel();
    const auto columnWidths = [&f] {
        QVector<int> widths;
        for (QTableView *view : {f.ui.tvArcEvents, f.ui.tvArcNotes})
            for (int column = 0; column < ArchiveColumns::COUNT; ++column)
                widths << view->columnWidth(column);
        return widths;
    };
    const QVector<int> widths = columnWidths();
    f.archive.setupTables(8000);
    f.archive.setChannelCount(64);

    QVERIFY(oldModel.isNull() && oldSelection.isNull());
    for (QTableView *view : {f.ui.tvArcEvents, f.ui.tvArcNotes}) {
        QAbstractItemModel *model = view->model();
        QCOMPARE(model->rowCount(), 8000);
        QCOMPARE(model->headerData(7999, Qt::Vertical).toString(), QString("8000"));
        QCOMPARE(model->headerData(0, Qt::Vertical).toString(), QString("01"));
        for (int row = 0; row < 8000; ++row)
            QCOMPARE(f.rowTexts(view, row), BLANK_ROW);
    }
    // The new models get the widths fitted to the same font.
    QCOMPARE(columnWidths(), widths);
    QVERIFY(f.ui.tvArcEvents->columnWidth(3) >= ArchiveColumns::EVENTS[3].width);
    QCOMPARE(f.ui.tvArcEvents->model()->headerData(3, Qt::Horizontal).toString(),
             QString("Событие"));
    QCOMPARE(f.ui.tvArcNotes->model()->headerData(2, Qt::Horizontal).toString(), QString("Конц."));
    QCOMPARE(f.ui.cbArcChannel->count(), 65);
    QCOMPARE(f.ui.cbArcChannel->itemText(0), QString("События"));
    QCOMPARE(f.ui.cbArcChannel->itemText(64), QString("Канал 64"));
}

QTEST_MAIN(ArchiveRowsTest)
#include "tst_archiverows.moc"
