#include "link/modbus.h"
#include "tests/support/connectedwindow.h"
#include "tests/support/filesizelimit.h"
#include "tools/tq17sim/archivesource.h"

#include <QComboBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTableView>
#include <QtTest>
#include <qcustomplot.h>

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

// The connection's download folders, newest first.
QStringList downloadFolders(const ConnectedWindow &w)
{
    const QDir root(w.home.path() + "/Documents/TQ-17");
    return root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
}

QString downloadedFile(const ConnectedWindow &w, const QString &name)
{
    const QStringList folders = downloadFolders(w);
    return folders.isEmpty() ? QString()
                             : w.home.path() + "/Documents/TQ-17/" + folders.first() + "/" + name;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList column(const ConnectedWindow &w, const char *table, int rows, int column)
{
    QStringList texts;
    for (int row = 0; row < rows; ++row)
        texts << cell(w, table, row, column);
    return texts;
}

} // namespace

class tst_ArchiveDownload : public QObject
{
    Q_OBJECT

private slots:
    void channelArchive_fillsRowsBlanksTheRestAndReopensModbus();
    void eventsArchive_fillsEventsTable();
    void eotAtOnce_leavesTablesBlank();
    void brokenTransfers_sayWhyAndWriteNoFile_data();
    void brokenTransfers_sayWhyAndWriteNoFile();
    void savedFile_holdsTheBlocksSentAndReloadsTheSameRows_data();
    void savedFile_holdsTheBlocksSentAndReloadsTheSameRows();
    void loadAll_keepsEveryArchiveAndExportsThem();
    void loadAll_endsAtAFailedArchiveAndKeepsTheOthers();
    void fullDisk_namesTheFileAndKeepsNone_data();
    void fullDisk_namesTheFileAndKeepsNone();
    void loadAll_waitsUntilTheControllerLeavesTransferMode();
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
    QCOMPARE(w.widget<QCustomPlot>("plotArchive")->graph(0)->dataCount(), 150);
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

void tst_ArchiveDownload::brokenTransfers_sayWhyAndWriteNoFile_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("block");
    QTest::addColumn<int>("rowsShown");
    QTest::addColumn<QString>("message");
    QTest::newRow("no reply to the first block")
        << int(Simulator::Fault::XmSilence) << 0 << 1000 << "Архив не загружен";
    QTest::newRow("bad block in the middle")
        << int(Simulator::Fault::XmBadBlockCrc) << 3 << 128 << "Архив загружен не полностью";
}

// After a complete download of channel 1, a failed one of channel 2 keeps the table (no reply)
// or shows what arrived, and leaves no file under its name.
void tst_ArchiveDownload::brokenTransfers_sayWhyAndWriteNoFile()
{
    QFETCH(int, fault);
    QFETCH(int, block);
    QFETCH(int, rowsShown);
    QFETCH(QString, message);
    ConnectedWindow w(device(32, 1000));
    QVERIFY(w.connect());
    download(w, 1);
    QVERIFY(isDate(cell(w, "tvArcNotes", 999)));
    const QStringList before = column(w, "tvArcNotes", 1000, 1);
    w.simulator.setFault(Simulator::Fault(fault), 0, block);
    download(w, 2);
    QCOMPARE(w.answerer.messages(), QStringList{message});
    if (rowsShown == 1000) {
        QCOMPARE(column(w, "tvArcNotes", 1000, 1), before);
    } else {
        QVERIFY(isDate(cell(w, "tvArcNotes", rowsShown - 1)));
        QCOMPARE(cell(w, "tvArcNotes", rowsShown), QString());
    }
    QVERIFY(QFile::exists(downloadedFile(w, "chan01.arh")));
    QVERIFY(!QFile::exists(downloadedFile(w, "chan02.arh")));
    QVERIFY(w.modbusAnswers());
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
    QCOMPARE(w.widget<QCustomPlot>("plotArchive")->graph(0)->dataCount(), 8000);
    QVERIFY(w.isConnected());
}

void tst_ArchiveDownload::modbusLineAt9600_keepsItsBaudRateAfterwards()
{
    ConnectedWindow w(device(32, 64));
    w.widget<QComboBox>("cComBaudrate")->setCurrentText("9600");
    QVERIFY(w.connect());
    download(w, 5);
    QCOMPARE(w.window->controller().mbLine.baudRate, 9600);
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

void tst_ArchiveDownload::savedFile_holdsTheBlocksSentAndReloadsTheSameRows_data()
{
    QTest::addColumn<bool>("fromFolder");
    QTest::addColumn<int>("records");
    QTest::newRow("generated, last block padded") << false << 150;
    QTest::newRow("from files, last block padded") << true << 150;
    QTest::newRow("from files, whole blocks") << true << 128;
}

// The file holds the data of every block before EOT (zero padding included), and "Импорт" of
// the folder the download selected shows the rows the download showed.
void tst_ArchiveDownload::savedFile_holdsTheBlocksSentAndReloadsTheSameRows()
{
    QFETCH(bool, fromFolder);
    QFETCH(int, records);
    QTemporaryDir source;
    Simulator::Options options = device(32, records);
    const QVector<quint8> scales(32, 0x21);
    const ArchiveSource generated(QString(), records);
    if (fromFolder) {
        options.archiveDir = source.path();
        for (int archive : {0, 3}) {
            QFile file(source.filePath(ArchiveSource::fileName(archive)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(generated.archive(archive, scales));
        }
    }
    ConnectedWindow w(options);
    QVERIFY(w.connect());
    download(w, 0);
    download(w, 3);
    const QStringList shown = column(w, "tvArcNotes", records, 2);
    QVERIFY(isDate(cell(w, "tvArcNotes", records - 1)));
    QVERIFY(w.answerer.messages().isEmpty());
    QCOMPARE(downloadFolders(w).size(), 1);
    QVERIFY(QRegularExpression("^\\d{8}-\\d{6}_\\d+$").match(downloadFolders(w).first()).hasMatch());
    const QByteArray saved = readFile(downloadedFile(w, "chan03.arh"));
    QCOMPARE(saved.size() % 1024, 0);
    QCOMPARE(saved.size(), (records * 16 + 1023) / 1024 * 1024);
    QVERIFY(saved.mid(records * 16).count('\0') == saved.size() - records * 16);
    if (fromFolder) {
        QCOMPARE(saved.left(records * 16), readFile(source.filePath("chan03.arh")));
        QCOMPARE(readFile(downloadedFile(w, "events.arh")).left(records * 16),
                 readFile(source.filePath("events.arh")));
    }

    download(w, 5); // another archive in the table, the same folder selected
    w.widget<QComboBox>("cbArcChannel")->setCurrentIndex(3);
    w.click("pbArcImport");
    QCOMPARE(column(w, "tvArcNotes", records, 2), shown);
    QCOMPARE(cell(w, "tvArcNotes", records), QString());
    QVERIFY(w.answerer.messages().isEmpty());
}

void startLoadAll(ConnectedWindow &w)
{
    w.simulator.clearLogs();
    w.click("pbArcLoadAll");
    w.tick();
}

// The folder of the set is named in the closing box, holds every archive, and exports into a
// workbook of one sheet per archive with every record.
void tst_ArchiveDownload::loadAll_keepsEveryArchiveAndExportsThem()
{
    ConnectedWindow w(device(32, 70));
    QVERIFY(w.connect());
    startLoadAll(w);
    QCOMPARE(w.simulator.completedUploads(), 33);
    const QString folder = downloadedFile(w, QString());
    QCOMPARE(w.answerer.messages(), QStringList{"Загрузка завершена: " + folder});
    QStringList expected;
    for (int channel = 1; channel <= 32; ++channel)
        expected << QString::asprintf("chan%02d.arh", channel);
    expected << "events.arh";
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), expected);
    QVERIFY(isDate(cell(w, "tvArcNotes", 69)));

    const QString workbook = w.home.path() + "/all.xlsx";
    w.answerer.queueFileName(workbook);
    w.click("pbArcExport");
    QCOMPARE(w.answerer.messages().last(), QString("Запись завершена"));
    QProcess checker;
    checker.start(WORKBOOK_PYTHON, {CHECK_WORKBOOK_SCRIPT, workbook, "32", "События!A71=filled",
                                    "События!A129=filled", "События!A130=blank", "К.01!A71=filled", "К.32!A71=filled",
                                    "К.32!A130=blank"});
    QVERIFY(checker.waitForFinished(60000));
    QVERIFY2(checker.exitCode() == 0, checker.readAllStandardOutput().constData());
}

void tst_ArchiveDownload::loadAll_endsAtAFailedArchiveAndKeepsTheOthers()
{
    ConnectedWindow w(device(32, 70));
    QVERIFY(w.connect());
    w.simulator.setFault(Simulator::Fault::XmSilence, 3);
    startLoadAll(w);
    QCOMPARE(w.answerer.messages(), QStringList{"Архив не загружен: Канал 03"});
    const QString folder = downloadedFile(w, QString());
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
             QStringList({"chan01.arh", "chan02.arh", "events.arh"}));
    QVERIFY(w.modbusAnswers());
}

void tst_ArchiveDownload::fullDisk_namesTheFileAndKeepsNone_data()
{
    QTest::addColumn<bool>("wholeSet");
    QTest::addColumn<QString>("file");
    QTest::newRow("one archive") << false << "chan03.arh";
    QTest::newRow("Загрузить все") << true << "events.arh";
}

// Archives of 2 KiB fit the write buffers; a disk that takes 1000 bytes must still show.
void tst_ArchiveDownload::fullDisk_namesTheFileAndKeepsNone()
{
    QFETCH(bool, wholeSet);
    QFETCH(QString, file);
    ConnectedWindow w(device(32, 70));
    QVERIFY(w.connect());
    {
        const FileSizeLimit full(1000);
        if (wholeSet)
            startLoadAll(w);
        else
            download(w, 3);
    }
    QCOMPARE(w.answerer.messages(), QStringList{"Ошибка записи файла " + downloadedFile(w, file)});
    QCOMPARE(QDir(downloadedFile(w, QString())).entryList(QDir::Files | QDir::Hidden),
             QStringList());
    // The set stops rather than meet the same disk with every archive.
    QVERIFY(w.simulator.completedUploads() < 33);
    QVERIFY(w.modbusAnswers());
}

// The controller talks on after the first archive; the next request waits for the quiet.
void tst_ArchiveDownload::loadAll_waitsUntilTheControllerLeavesTransferMode()
{
    ConnectedWindow w(device(32, 70));
    QVERIFY(w.connect());
    w.simulator.setFault(Simulator::Fault::XmTrailingBytes);
    startLoadAll(w);
    QCOMPARE(w.simulator.completedUploads(), 33);
    QCOMPARE(w.answerer.messages(),
             QStringList{"Загрузка завершена: " + downloadedFile(w, QString())});
    QVERIFY(w.isConnected());
}

QTEST_MAIN(tst_ArchiveDownload)
#include "tst_archivedownload.moc"
