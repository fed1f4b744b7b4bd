#include "device/registermap.h"
#include "tests/support/connectedwindow.h"

#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

// "Сравнить" lists what differs from the controller and writes nothing; "Поиск" finds a
// controller whose address is not known.
class tst_FieldTools : public QObject
{
    Q_OBJECT
private slots:
    void compare_listsTheControllersChangesOnly_data();
    void compare_listsTheControllersChangesOnly();
    void find_setsTheAddressOfTheController();
};

void tst_FieldTools::compare_listsTheControllersChangesOnly_data()
{
    QTest::addColumn<QVector<int>>("changedChannels"); // 0-based; each delay raised by 3
    QTest::newRow("two channels") << QVector<int>{2, 3};
    QTest::newRow("none") << QVector<int>{};
}

void tst_FieldTools::compare_listsTheControllersChangesOnly()
{
    QFETCH(QVector<int>, changedChannels);
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.widget<QSpinBox>("sbBeginChan")->setValue(1);
    w.widget<QSpinBox>("sbEndChan")->setValue(4);
    w.click("btRead");
    w.tick();
    w.answerer.clear();
    QStringList expected;
    for (const int channel : changedChannels) {
        const int address = channelBlock(channel) + CH_DELAY;
        const quint16 held = w.simulator.holdingRegister(address);
        w.simulator.setHoldingRegister(address, quint16(held + 3));
        expected << QStringLiteral("%1|Задерж.|%2|%3")
                        .arg(channel + 1, 2, 10, QLatin1Char('0'))
                        .arg(held + 3)
                        .arg(held);
    }
    w.simulator.clearLogs();
    w.click("btCompare");
    w.tick();
    w.tick();
    if (expected.isEmpty()) {
        QCOMPARE(w.answerer.messages(), QStringList{"Нет изменений"});
        QVERIFY(w.answerer.dialogs().isEmpty());
    } else {
        QCOMPARE(w.answerer.dialogs(), QStringList{"dlgWriteDiff"});
        QCOMPARE(w.answerer.dialogRows(), expected);
    }
    QVERIFY(w.simulator.writeLog().isEmpty());
}

void tst_FieldTools::find_setsTheAddressOfTheController()
{
    Simulator::Options options;
    options.slaveAddress = 17;
    ConnectedWindow w(options);
    QVERIFY(w.simulator.start());
    w.widget<QComboBox>("cComPort")->setEditText(w.simulator.portPath());
    w.widget<QSpinBox>("sbMB_Adr")->setValue(1);
    w.click("btFind");
    QVERIFY(w.waitIdle());
    QCOMPARE(w.widget<QSpinBox>("sbMB_Adr")->value(), 17);
    QVERIFY(w.answerer.messages().isEmpty());
    QVERIFY2(w.widget<QStatusBar>("statusbar")->currentMessage().contains("зав. № 123456"),
             qPrintable(w.widget<QStatusBar>("statusbar")->currentMessage()));
    QVERIFY(!w.isConnected());
    QVERIFY(w.widget<QPushButton>("btFind")->isEnabled());
}

QTEST_MAIN(tst_FieldTools)
#include "tst_fieldtools.moc"
