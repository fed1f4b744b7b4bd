#include "device/devicetext.h"
#include "device/registermap.h"
#include "tests/support/connectedwindow.h"
#include "tests/support/pdftext.h"

#include <QSpinBox>
#include <QTableView>
#include <QtTest>

// "Отчёт" writes what the controller holds: its identity, the thresholds of the range as the
// table shows them, and the day's journal of this controller.
class tst_Report : public QObject
{
    Q_OBJECT
private slots:
    void report_holdsIdentityThresholdsAndJournal();
};

void tst_Report::report_holdsIdentityThresholdsAndJournal()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    const int thresholds[] = {channelBlock(2) + CH_THRESHOLD1, channelBlock(3) + CH_THRESHOLD2};
    w.simulator.setHoldingRegister(thresholds[0], 4321);
    w.simulator.setHoldingRegister(thresholds[1], 2468);
    w.widget<QSpinBox>("sbBeginChan")->setValue(1);
    w.widget<QSpinBox>("sbEndChan")->setValue(4);
    w.click("btRead");
    w.tick();
    QCOMPARE(w.answerer.messages(), QStringList{"Чтение завершено"});
    w.answerer.clear();
    QAbstractItemModel *table = w.widget<QTableView>("tvChannelsCfg")->model();
    // A journalled write of today.
    QVERIFY(table->setData(table->index(0, 21), "17"));
    w.waitIdle();

    const QString fileName = QDir::current().filePath("report.pdf");
    w.answerer.queueFileName(fileName);
    w.click("btReport");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(fileName), 20000);
    const QString text = pdfText(fileName);
    QVERIFY2(text.contains("123456"), qPrintable(text));
    QVERIFY(text.contains(
        DeviceText::hardwareVersion(w.simulator.holdingRegister(REG_HW_VERSION))));
    for (const QPoint cell : {QPoint(2, 15), QPoint(3, 17)}) {
        const QString threshold = table->index(cell.x(), cell.y()).data().toString();
        QVERIFY2(text.contains(threshold), qPrintable(threshold));
    }
    QVERIFY2(text.contains(QRegularExpression("Задерж\\.\\s+.*17\\s+OK")), qPrintable(text));
    QVERIFY(text.contains(w.simulator.portPath()));
    QVERIFY(w.answerer.messages().isEmpty());
}

QTEST_MAIN(tst_Report)
#include "tst_report.moc"
