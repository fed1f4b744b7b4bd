#include "link/modbus.h"
#include "tests/support/connectedwindow.h"

#include <QComboBox>
#include <QSpinBox>
#include <QtTest>

namespace {

const char *const SETTINGS[] = {"cTypeDev", "cComPort", "cComBaudrate",
                                "sbMB_Adr", "Scan",     "Start"};
const char *const REQUESTS[] = {"Stop",          "sbBeginChan",  "sbEndChan",   "btRead",
                                "btWrite",       "btSave",       "sbwriteChan", "btWriteChan",
                                "SerialNumSet",  "SerialNumDev", "HW_Ver",      "HW_VerSet",
                                "dateSet",       "timeSet",      "DirectMode",  "DateTimeRead",
                                "DateTimeWrite", "DateTimeSync", "pbArcLoad"};
const char *const UNTOUCHED[] = {"Exit",        "btImport",    "btExport",    "tvChannelsCfg",
                                 "pbArcImport", "pbArcExport", "cbArcChannel"};

void verifyState(const ConnectedWindow &w, bool connected)
{
    for (const char *name : SETTINGS)
        QVERIFY2(w.widget<QWidget>(name)->isEnabled() == !connected, name);
    for (const char *name : REQUESTS)
        QVERIFY2(w.widget<QWidget>(name)->isEnabled() == connected, name);
    for (const char *name : UNTOUCHED)
        QVERIFY2(w.widget<QWidget>(name)->isEnabled(), name);
}

} // namespace

class tst_Connection : public QObject
{
    Q_OBJECT

private slots:
    void startOnMissingPort_reportsItAndStaysDisconnected();
    void startAndStop_switchTheControls();
    void silentController_isReportedAfterTheFirstTick();
    void portNameEndsAtTheFirstBlank();
    void slaveAddress247_isUsedInEveryFrame();
};

void tst_Connection::startOnMissingPort_reportsItAndStaysDisconnected()
{
    ConnectedWindow w;
    w.pressStart("/dev/tq17-none");
    QCOMPARE(w.answerer.messages(), QStringList{"Ошибка открытия порта /dev/tq17-none"});
    verifyState(w, false);

    w.pressStart(QString());
    QCOMPARE(w.answerer.messages().last(), QString("Ошибка открытия порта "));
}

void tst_Connection::startAndStop_switchTheControls()
{
    ConnectedWindow w;
    verifyState(w, false);
    QVERIFY(w.connect());
    verifyState(w, true);
    QVERIFY(w.window->controller().mbLine.isOpen);
    w.click("Stop");
    verifyState(w, false);
    QVERIFY(w.waitIdle());
    QVERIFY(!w.window->controller().mbLine.isOpen);
    QVERIFY(w.answerer.messages().isEmpty());
}

void tst_Connection::silentController_isReportedAfterTheFirstTick()
{
    ConnectedWindow w;
    QVERIFY(w.simulator.start());
    w.simulator.setFault(Simulator::Fault::StopAnswering);
    w.pressStart(w.simulator.portPath());
    verifyState(w, true);
    // The window's own timer runs the first tick.
    QTRY_COMPARE_WITH_TIMEOUT(w.answerer.messages(), QStringList{"Ошибка связи"}, 5000);
    verifyState(w, false);
}

void tst_Connection::portNameEndsAtTheFirstBlank()
{
    ConnectedWindow w;
    QVERIFY(w.simulator.start());
    w.pressStart(w.simulator.portPath() + " (Maker Ltd)");
    QCOMPARE(w.window->controller().mbLine.portName, w.simulator.portPath());
    QVERIFY(w.isConnected());
}

void tst_Connection::slaveAddress247_isUsedInEveryFrame()
{
    Simulator::Options options;
    options.slaveAddress = 247;
    ConnectedWindow w(options);
    QVERIFY(w.connect());
    QCOMPARE(w.window->controller().mbLine.mbAddr, quint8(247));
    QVERIFY(w.modbusAnswers());
}

QTEST_MAIN(tst_Connection)
#include "tst_connection.moc"
