#include "tests/support/connectedwindow.h"

#include <QLabel>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

// The "Обмен" tab tells what went wrong on the line: each exchange with its result, decoded, and
// the count of each result since connecting.
class tst_Traffic : public QObject
{
    Q_OBJECT
private slots:
    void failedExchange_isShownWithItsResultAndCounted_data();
    void failedExchange_isShownWithItsResultAndCounted();
    void download_isOneLineWithItsBlocks();
};

void tst_Traffic::failedExchange_isShownWithItsResultAndCounted_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("windowAddress"); // 0: the controller's
    // The last row: function, first register, count, result; then the count that went up.
    QTest::addColumn<QStringList>("lastRow");
    QTest::addColumn<QString>("counted");
    QTest::newRow("CRC") << int(Simulator::Fault::BadCrc) << 0
                         << QStringList{"03", "0", "18", "Ошибка CRC"} << "Ошибка CRC: 1";
    QTest::newRow("exception") << int(Simulator::Fault::ExceptionReply) << 0
                               << QStringList{"03", "0", "18", "Исключение 4"} << "Исключение: 1";
    QTest::newRow("silent address") << int(Simulator::Fault::None) << 17
                                    << QStringList{"04", "0", "101", "Нет ответа"}
                                    << "Нет ответа: 1";
}

void tst_Traffic::failedExchange_isShownWithItsResultAndCounted()
{
    QFETCH(int, fault);
    QFETCH(int, windowAddress);
    QFETCH(QStringList, lastRow);
    QFETCH(QString, counted);
    ConnectedWindow w;
    if (windowAddress == 0) {
        QVERIFY(w.connect());
        w.simulator.setFault(Simulator::Fault(fault));
        w.click("DateTimeRead");
    } else {
        QVERIFY(w.simulator.start());
        w.widget<QComboBox>("cComPort")->setEditText(w.simulator.portPath());
        w.widget<QSpinBox>("sbMB_Adr")->setValue(windowAddress);
        w.click("Start");
    }
    w.tick();
    QCOMPARE(w.answerer.messages(), QStringList{"Ошибка связи"});

    const QAbstractItemModel *rows = w.widget<QTableView>("tvTraffic")->model();
    QTRY_VERIFY(rows->rowCount() > 0 &&
                rows->index(rows->rowCount() - 1, 6).data().toString() == lastRow.last());
    const int last = rows->rowCount() - 1;
    QStringList shown;
    for (int column = 3; column <= 6; ++column)
        shown << rows->index(last, column).data().toString();
    QCOMPARE(shown, lastRow);
    QVERIFY(!rows->index(last, 1).data().toString().isEmpty());
    const QString counts = w.widget<QLabel>("lbTrafficCounts")->text();
    QVERIFY2(counts.contains(counted), qPrintable(counts));
    // Every other exchange was answered.
    QVERIFY2(counts.contains(QStringLiteral("OK: %1").arg(last)), qPrintable(counts));
}

void tst_Traffic::download_isOneLineWithItsBlocks()
{
    Simulator::Options options;
    options.generatedRecords = 100; // two blocks of 64 records
    ConnectedWindow w(options);
    QVERIFY(w.connect());
    w.widget<QComboBox>("cbArcChannel")->setCurrentIndex(1);
    w.click("pbArcLoad");
    w.tick();
    const QAbstractItemModel *rows = w.widget<QTableView>("tvTraffic")->model();
    const QString line = "XMODEM, архив канала 1: блоков 2, полностью";
    QTRY_VERIFY(rows->match(rows->index(0, 6), Qt::DisplayRole, line, -1, Qt::MatchExactly).size() == 1);
}

QTEST_MAIN(tst_Traffic)
#include "tst_traffic.moc"
