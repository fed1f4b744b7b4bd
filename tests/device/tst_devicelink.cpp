#include "device/channelrecord.h"
#include "device/registermap.h"
#include "tests/support/connectedwindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimeEdit>
#include <QtTest>
#include <ctime>
#include <map>

namespace {

using Registers = std::map<int, quint16>;

void setBlock(Simulator &simulator, int channel, const Registers &registers)
{
    for (const auto &reg : registers)
        simulator.setHoldingRegister(50 * (channel + 1) + reg.first, reg.second);
}

QString cellText(const ConnectedWindow &w, int row, int column)
{
    return w.widget<QTableView>("tvChannelsCfg")->model()->index(row, column).data().toString();
}

QColor rowColour(const ConnectedWindow &w, int row)
{
    const QModelIndex index = w.widget<QTableView>("tvChannelsCfg")->model()->index(row, 0);
    return index.data(Qt::ForegroundRole).value<QBrush>().color();
}

Simulator::Options device(int channels)
{
    Simulator::Options options;
    options.deviceType = channels;
    return options;
}

// A varied channel: config word with the controller's own bits 6..9 and 14..15 set.
Registers variedChannel(int unit, int decimals, int moduleField)
{
    return {{3, quint16(0xC3C0 | unit | decimals << 4 | moduleField << 10)},
            {4, 0x8000 | 250},
            {5, 1234},
            {6, 7},
            {7, 5},
            {8, 1000},
            {9, 12},
            {10, 30},
            {11, 800},
            {12, 4000},
            {13, 7},
            {14, 0x4843},
            {15, 0x0034},
            {16, 0},
            {22, 0x3154},
            {23, 0},
            {31, 3},
            {33, 60},
            {34, 25},
            {35, 2048},
            {36, 500},
            {37, 410},
            {38, 2050},
            {45, 0x2A00},
            {46, 0x0102},
            {47, 4020},
            {48, 2000},
            {49, 3000},
            {1, 0x0001},
            {2, 0x0002}};
}

void bothDeviceTypes()
{
    QTest::addColumn<int>("channels");
    QTest::newRow("32 channels") << 32;
    QTest::newRow("64 channels") << 64;
}

} // namespace

class tst_DeviceLink : public QObject
{
    Q_OBJECT

private slots:
    void connect_showsFactoryNumberAndHardwareVersion();
    void readRange_drawsEveryKindOfCell_data();
    void readRange_drawsEveryKindOfCell();
    void writeRange_changesOnlyOwnedRegisters_data();
    void writeRange_changesOnlyOwnedRegisters();
    void clockWrite_sendsWallClockAsUtc_data();
    void clockWrite_sendsWallClockAsUtc();
    void commands_sendArgumentThenCode();
    void requestsOfOneTick_areServedInStepOrder();
    void silentController_midRead_disconnectsAndWritesNothing();
    void writeRange_whoseReadFails_writesNothing();
};

void tst_DeviceLink::connect_showsFactoryNumberAndHardwareVersion()
{
    Simulator::Options options;
    options.factoryNumber = 4294967295u;
    ConnectedWindow w(options);
    w.simulator.setHoldingRegister(7, 0x0102);
    QVERIFY(w.connect());
    QCOMPARE(w.widget<QLineEdit>("SerialNumDev")->text(), QString("4294967295"));
    QCOMPARE(w.widget<QComboBox>("HW_Ver")->currentIndex(), 1);
    QVERIFY(w.answerer.messages().isEmpty());
}

void tst_DeviceLink::readRange_drawsEveryKindOfCell_data()
{
    bothDeviceTypes();
}

void tst_DeviceLink::readRange_drawsEveryKindOfCell()
{
    QFETCH(int, channels);
    ConnectedWindow w(device(channels));
    Simulator &sim = w.simulator;
    setBlock(sim, 0, variedChannel(1, 1, 0));
    setBlock(sim, 1, variedChannel(2, 2, 1));
    setBlock(sim, 2, variedChannel(7, 0, 2));
    setBlock(sim, 3, variedChannel(3, 3, 3));
    const int status = 4;
    const int concentration = channels == 64 ? 68 : 36;
    sim.setInputRegister(status + 0, 0x0106);
    sim.setInputRegister(status + 1, 0x02F0);
    sim.setInputRegister(status + 2, 0x0031);
    sim.setInputRegister(status + 3, 0x0000);
    sim.setInputRegister(concentration + 1, 1234);
    // Channel 1 on, channel 3 archiving by both interval and delta.
    sim.setHoldingRegister(12, 0x0001);
    sim.setHoldingRegister(channels == 64 ? 16 : 14, 0x0006);
    sim.setHoldingRegister(channels == 64 ? 20 : 16, 0x0004);
    QVERIFY(w.connect());
    w.widget<QSpinBox>("sbBeginChan")->setValue(1);
    w.widget<QSpinBox>("sbEndChan")->setValue(4);
    w.click("btRead");
    w.tick();
    QCOMPARE(w.answerer.messages(), QStringList{"Чтение завершено"});

    const bool small = channels == 32;
    QCOMPARE(cellText(w, 0, 0), QString("ВКЛЮЧЕН"));
    QCOMPARE(cellText(w, 1, 0), QString("откл."));
    QCOMPARE(cellText(w, 0, 1), QString(small ? "Внутр." : "-"));
    QCOMPARE(cellText(w, 1, 1), QString(small ? "Внутр." : "VT84-LDM"));
    QCOMPARE(cellText(w, 3, 1), QString(small ? "Внутр." : "DORNA"));
    QCOMPARE(cellText(w, 0, 2), QString("T1"));
    QCOMPARE(cellText(w, 0, 9), QString("CH4"));
    QCOMPARE(cellText(w, 0, 3), QString("Порог3"));
    QCOMPARE(cellText(w, 1, 3), QString("Норма"));
    QCOMPARE(cellText(w, 2, 3), QString("Порог1"));
    QCOMPARE(cellText(w, 0, 4), QString("-"));
    QCOMPARE(cellText(w, 1, 4), QString("15"));
    QCOMPARE(cellText(w, 2, 4), QString("Норма"));
    QCOMPARE(cellText(w, 0, 5), QString("Норма"));
    QCOMPARE(cellText(w, 1, 5), QString("Ош.Modbus"));
    QCOMPARE(cellText(w, 1, 6), QString("12.34"));
    QCOMPARE(cellText(w, 0, 7), QString("%НКПР"));
    QCOMPARE(cellText(w, 2, 7), QString("ma"));
    QCOMPARE(cellText(w, 0, 8), QString("0.1"));
    QCOMPARE(cellText(w, 3, 8), QString("1"));
    QCOMPARE(cellText(w, 0, 12), QString("0.5"));
    QCOMPARE(cellText(w, 3, 13), QString("1.000"));
    QCOMPARE(cellText(w, 0, 14), QString("Пониж."));
    QCOMPARE(cellText(w, 0, 15), QString("25.0"));
    QCOMPARE(cellText(w, 1, 16), QString("Превыш."));
    QCOMPARE(cellText(w, 1, 17), QString("12.34"));
    QCOMPARE(cellText(w, 2, 21), QString("30"));
    QCOMPARE(cellText(w, 0, 25), QString("откл"));
    QCOMPARE(cellText(w, 1, 25), QString("Интервал"));
    QCOMPARE(cellText(w, 2, 25), QString("Дельта"));
    QCOMPARE(cellText(w, 0, 32), QString("4.020"));
    QCOMPARE(cellText(w, 0, 33), QString("2.000"));
    if (small) {
        for (int column : {11, 23, 24, 35, 36, 37})
            QCOMPARE(cellText(w, 0, column), QString("-"));
    } else {
        QCOMPARE(cellText(w, 0, 35), QString("42"));
        QCOMPARE(cellText(w, 2, 36), QString("01.002"));
        QCOMPARE(cellText(w, 3, 36), QString(" 1.02.07"));
        QCOMPARE(cellText(w, 0, 37), QString::number(0x00010002));
    }
    for (int row = 0; row < 4; ++row)
        QCOMPARE(rowColour(w, row), QColor(Qt::black));
    QCOMPARE(rowColour(w, 4), QColor(Qt::gray));
    QCOMPARE(rowColour(w, channels - 1), QColor(Qt::gray));
}

void tst_DeviceLink::writeRange_changesOnlyOwnedRegisters_data()
{
    bothDeviceTypes();
}

void tst_DeviceLink::writeRange_changesOnlyOwnedRegisters()
{
    QFETCH(int, channels);
    ConnectedWindow w(device(channels));
    setBlock(w.simulator, 9, variedChannel(1, 1, 2));
    QVERIFY(w.connect());
    w.widget<QSpinBox>("sbBeginChan")->setValue(10);
    w.widget<QSpinBox>("sbEndChan")->setValue(10);
    w.click("btRead");
    w.tick();

    QVector<quint16> before;
    for (int address = 0; address < 50 * 12; ++address)
        before << w.simulator.holdingRegister(address);
    ChannelRecord &r = channelRecords[9];
    r.rangeMax = 999;
    r.unit = 4;
    r.moduleType = 4;
    r.thr3 = 77;
    qstrncpy(r.tag, "NEW TAG", sizeof(r.tag));
    w.simulator.clearLogs();
    w.click("btWrite");
    w.tick();
    QCOMPARE(w.answerer.messages().last(), QString("Запись завершена"));

    const std::map<int, quint16> changed = {
        {50 * 10 + 8, 999},
        {50 * 10 + 3, quint16(0xC3C0 | 4 | 1 << 4 | 3 << 10)},
        {50 * 10 + 6, quint16(channels == 64 ? 0 : 77)},
        {50 * 10 + 22, quint16('N' | 'E' << 8)},
        {50 * 10 + 23, quint16('W' | ' ' << 8)},
        {50 * 10 + 24, quint16('T' | 'A' << 8)},
        {50 * 10 + 25, quint16('G')},
    };
    for (int address = 0; address < before.size(); ++address) {
        // The controller's clock runs on between the two reads.
        if (address == REG_CLOCK || address == REG_CLOCK + 1)
            continue;
        const auto found = changed.find(address);
        const quint16 expected = found == changed.end() ? before.at(address) : found->second;
        QVERIFY2(w.simulator.holdingRegister(address) == expected,
                 qPrintable(QString("register %1").arg(address)));
    }
}

void tst_DeviceLink::clockWrite_sendsWallClockAsUtc_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::newRow("UTC") << QByteArray("UTC");
    QTest::newRow("Tokyo") << QByteArray("Asia/Tokyo");
    QTest::newRow("New York") << QByteArray("America/New_York");
}

void tst_DeviceLink::clockWrite_sendsWallClockAsUtc()
{
    QFETCH(QByteArray, zone);
    const QByteArray previous = qgetenv("TZ");
    qputenv("TZ", zone);
    tzset();
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.widget<QDateEdit>("dateSet")->setDate(QDate(2024, 1, 2));
    w.widget<QTimeEdit>("timeSet")->setTime(QTime(3, 4, 5));
    w.simulator.clearLogs();
    w.click("DateTimeWrite");
    w.tick();
    const quint32 expected = 1704164645u; // 2024-01-02 03:04:05 counted as UTC
    const QVector<Simulator::Write> log = w.simulator.writeLog();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log.at(0).address, 1);
    QCOMPARE(log.at(0).value, quint16(expected & 0xFFFF));
    QCOMPARE(log.at(1).address, 2);
    QCOMPARE(log.at(1).value, quint16(expected >> 16));

    w.widget<QDateEdit>("dateSet")->setDate(QDate(2000, 1, 1));
    w.click("DateTimeRead");
    w.tick();
    QCOMPARE(w.widget<QDateEdit>("dateSet")->date(), QDate(2024, 1, 2));
    QVERIFY(qAbs(w.widget<QTimeEdit>("timeSet")->time().secsTo(QTime(3, 4, 5))) <= 2);
    qputenv("TZ", previous);
    tzset();
}

void tst_DeviceLink::commands_sendArgumentThenCode()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.simulator.clearLogs();
    w.widget<QLineEdit>("SerialNumDev")->setText("65545"); // high half 1, low half 9
    w.click("SerialNumSet");
    w.tick();
    w.widget<QComboBox>("HW_Ver")->setCurrentIndex(1);
    w.click("HW_VerSet");
    w.tick();
    w.widget<QSpinBox>("sbwriteChan")->setValue(5);
    w.click("btWriteChan");
    w.tick();
    w.click("DirectMode");
    w.tick();
    w.click("btSave");
    w.tick();

    QVector<QPair<int, int>> writes;
    for (const Simulator::Write &write : w.simulator.writeLog())
        writes << qMakePair(write.address, int(write.value));
    const QVector<QPair<int, int>> expected = {{33, 1},  {32, 38}, {33, 9},  {32, 37}, {33, 0x0102},
                                               {32, 39}, {33, 5},  {32, 48}, {32, 35}, {32, 16}};
    QCOMPARE(writes, expected);
    QCOMPARE(w.simulator.factoryNumber(), 65545u);
    QCOMPARE(w.simulator.holdingRegister(7), quint16(0x0102));
    QVERIFY(w.isConnected());
}

void tst_DeviceLink::requestsOfOneTick_areServedInStepOrder()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.simulator.clearLogs();
    w.click("DirectMode");
    w.click("btWriteChan");
    w.click("btSave");
    w.tick();
    QCOMPARE(w.simulator.commandLog(), (QVector<int>{16, 48, 35}));
}

void tst_DeviceLink::silentController_midRead_disconnectsAndWritesNothing()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.widget<QSpinBox>("sbBeginChan")->setValue(1);
    w.widget<QSpinBox>("sbEndChan")->setValue(6);
    w.simulator.clearLogs();
    // Live values and device block pass, then two channels, then silence.
    w.simulator.setFault(Simulator::Fault::StopAnswering, 7);
    w.click("btRead");
    w.tick();
    QCOMPARE(w.answerer.messages(), (QStringList{"Ошибка связи", "Чтение завершено"}));
    QVERIFY(!w.isConnected());
    QVERIFY(w.widget<QPushButton>("Start")->isEnabled());
    QVERIFY(w.simulator.writeLog().isEmpty());
}

void tst_DeviceLink::writeRange_whoseReadFails_writesNothing()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.widget<QSpinBox>("sbBeginChan")->setValue(1);
    w.widget<QSpinBox>("sbEndChan")->setValue(3);
    w.simulator.clearLogs();
    w.simulator.setFault(Simulator::Fault::NoReply, 0, 0, 1);
    w.click("btWrite");
    w.tick();
    QCOMPARE(w.answerer.messages(), QStringList{"Ошибка связи"});
    QVERIFY(w.simulator.writeLog().isEmpty());
    QVERIFY(!w.isConnected());
}

QTEST_MAIN(tst_DeviceLink)
#include "tst_devicelink.moc"
