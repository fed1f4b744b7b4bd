#include "link/modbus.h"
#include "tests/support/connectedwindow.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTableView>
#include <QtTest>

namespace {

Simulator::Options device(int channels, int records)
{
    Simulator::Options options;
    options.deviceType = channels;
    options.generatedRecords = records;
    return options;
}

QString cell(const ConnectedWindow &w, const char *table, int row, int column = 0)
{
    return w.widget<QTableView>(table)->model()->index(row, column).data().toString();
}

bool isDate(const QString &text)
{
    return QDate::fromString(text, "dd.MM.yy").isValid();
}

int selectedRow(const ConnectedWindow &w, const char *table)
{
    const QModelIndexList rows = w.widget<QTableView>(table)->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void download(ConnectedWindow &w, int archive)
{
    w.widget<QComboBox>("cbArcChannel")->setCurrentIndex(archive);
    w.simulator.clearLogs();
    w.click("pbArcLoad");
    w.tick();
}

} // namespace

class tst_ArchiveDownload : public QObject
{
    Q_OBJECT

private slots:
    void channelArchive_fillsRowsBlanksTheRestAndReopensModbus();
    void eventsArchive_fillsEventsTable();
    void eotAtOnce_leavesTablesBlank();
    void badBlockInTheMiddle_keepsEarlierRows();
    void fullArchiveOn64K_stopsAtTheLastRow();
    void modbusLineAt9600_keepsItsBaudRateAfterwards();
    void portThatCannotReopen_disconnectsSilently();
};

void tst_ArchiveDownload::channelArchive_fillsRowsBlanksTheRestAndReopensModbus()
{
    ConnectedWindow w(device(32, 150));
    QVERIFY(w.connect());
    download(w, 3);
    const QVector<Simulator::Write> log = w.simulator.writeLog();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log.at(0).address, 33);
    QCOMPARE(int(log.at(0).value), 3);
    QCOMPARE(log.at(1).address, 32);
    QCOMPARE(int(log.at(1).value), 32);
    QCOMPARE(w.simulator.completedUploads(), 1);
    for (int row : {0, 75, 149})
        QVERIFY2(isDate(cell(w, "tvArcNotes", row)), qPrintable(QString::number(row)));
    QCOMPARE(cell(w, "tvArcNotes", 150), QString());
    QCOMPARE(cell(w, "tvArcNotes", 191), QString());
    QCOMPARE(selectedRow(w, "tvArcNotes"), 149);
    QVERIFY(w.modbusAnswers());
    QVERIFY(w.answerer.messages().isEmpty());
}

void tst_ArchiveDownload::eventsArchive_fillsEventsTable()
{
    ConnectedWindow w(device(32, 100));
    QVERIFY(w.connect());
    download(w, 0);
    QVERIFY(isDate(cell(w, "tvArcEvents", 99)));
    QVERIFY(!cell(w, "tvArcEvents", 99, 3).isEmpty());
    QCOMPARE(cell(w, "tvArcEvents", 100), QString());
    QCOMPARE(selectedRow(w, "tvArcEvents"), 99);
    QCOMPARE(cell(w, "tvArcNotes", 0), QString());
}

void tst_ArchiveDownload::eotAtOnce_leavesTablesBlank()
{
    ConnectedWindow w(device(32, 150));
    QVERIFY(w.connect());
    w.simulator.setFault(Simulator::Fault::XmEotAtOnce);
    download(w, 1);
    QCOMPARE(cell(w, "tvArcNotes", 0), QString());
    QCOMPARE(cell(w, "tvArcNotes", 63), QString());
    QCOMPARE(selectedRow(w, "tvArcNotes"), 0);
    QVERIFY(w.isConnected());
}

void tst_ArchiveDownload::badBlockInTheMiddle_keepsEarlierRows()
{
    ConnectedWindow w(device(32, 1000));
    QVERIFY(w.connect());
    w.simulator.setFault(Simulator::Fault::XmBadBlockCrc, 0, 3);
    download(w, 2);
    QVERIFY(isDate(cell(w, "tvArcNotes", 127)));
    QCOMPARE(cell(w, "tvArcNotes", 128), QString());
    QCOMPARE(cell(w, "tvArcNotes", 999), QString());
    QVERIFY(w.modbusAnswers());
    QVERIFY(w.answerer.messages().isEmpty());
}

void tst_ArchiveDownload::fullArchiveOn64K_stopsAtTheLastRow()
{
    ConnectedWindow w(device(64, 16000));
    QVERIFY(w.connect());
    download(w, 64);
    auto *notes = w.widget<QTableView>("tvArcNotes");
    QCOMPARE(notes->model()->rowCount(), 8000);
    QVERIFY(isDate(cell(w, "tvArcNotes", 7999)));
    QCOMPARE(selectedRow(w, "tvArcNotes"), 7999);
    QVERIFY(w.isConnected());
}

void tst_ArchiveDownload::modbusLineAt9600_keepsItsBaudRateAfterwards()
{
    ConnectedWindow w(device(32, 64));
    w.widget<QComboBox>("cComBaudrate")->setCurrentText("9600");
    QVERIFY(w.connect());
    download(w, 5);
    QCOMPARE(mbLine.baudRate, 9600);
    QVERIFY(isDate(cell(w, "tvArcNotes", 63)));
    QVERIFY(w.modbusAnswers());
}

void tst_ArchiveDownload::portThatCannotReopen_disconnectsSilently()
{
    QTemporaryDir links;
    Simulator::Options options = device(32, 64);
    options.linkPath = links.filePath("port");
    ConnectedWindow w(options);
    QVERIFY(w.simulator.start());
    w.pressStart(options.linkPath);
    w.tick();
    QVERIFY(w.isConnected());
    QVERIFY(QFile::remove(options.linkPath)); // the port is gone once the line lets go of it
    download(w, 1);
    QVERIFY(!w.isConnected());
    QVERIFY(w.widget<QPushButton>("Start")->isEnabled());
    QVERIFY(w.answerer.messages().isEmpty());
}

QTEST_MAIN(tst_ArchiveDownload)
#include "tst_archivedownload.moc"
