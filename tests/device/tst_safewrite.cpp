#include "device/registermap.h"
#include "tests/support/connectedwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

Q_DECLARE_METATYPE(Simulator::Fault)

namespace {

QVector<quint16> holding(const Simulator &sim, int first, int count)
{
    QVector<quint16> values;
    for (int a = first; a < first + count; ++a)
        values << sim.holdingRegister(a);
    return values;
}

} // namespace

// Writes that the controller refuses or never answers must not look done.
class tst_SafeWrite : public QObject
{
    Q_OBJECT

private slots:
    void refusedCommandWrite_disconnectsWithLinkError_data();
    void refusedCommandWrite_disconnectsWithLinkError();
    void rangeWrite_wrongShapeRead_writesNothing_data();
    void rangeWrite_wrongShapeRead_writesNothing();
    void stateEdit_shortMaskRead_keepsOtherChannels();
};

void tst_SafeWrite::refusedCommandWrite_disconnectsWithLinkError_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("passingWrites");
    QTest::addColumn<QVector<int>>("commandsSent");
    // The argument of a command is written first; a refused argument keeps its command back.
    QTest::newRow("factory number, first half refused") << "SerialNumSet" << 0 << QVector<int>{};
    QTest::newRow("factory number, second half refused")
        << "SerialNumSet" << 2 << QVector<int>{38};
    QTest::newRow("hardware version") << "HW_VerSet" << 0 << QVector<int>{};
    QTest::newRow("hardware version command") << "HW_VerSet" << 1 << QVector<int>{};
    QTest::newRow("write to channel") << "btWriteChan" << 0 << QVector<int>{};
    QTest::newRow("direct access") << "DirectMode" << 0 << QVector<int>{};
    QTest::newRow("archive request") << "pbArcLoad" << 0 << QVector<int>{};
}

void tst_SafeWrite::refusedCommandWrite_disconnectsWithLinkError()
{
    QFETCH(QString, button);
    QFETCH(int, passingWrites);
    QFETCH(QVector<int>, commandsSent);
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.widget<QLineEdit>("SerialNumDev")->setText("65545");
    w.simulator.clearLogs();
    w.simulator.setFault(Simulator::Fault::ExceptionReply, passingWrites);
    w.click(button.toLatin1().constData());
    w.tick();
    QCOMPARE(w.answerer.messages(), QStringList{"Ошибка связи"});
    QVERIFY(!w.isConnected());
    QCOMPARE(w.simulator.commandLog(), commandsSent);
    QCOMPARE(w.simulator.completedUploads(), 0);
}

void tst_SafeWrite::rangeWrite_wrongShapeRead_writesNothing_data()
{
    QTest::addColumn<Simulator::Fault>("fault");
    QTest::newRow("3 registers of 50") << Simulator::Fault::ShortRead;
    QTest::newRow("byte count beyond the data") << Simulator::Fault::WrongByteCount;
    QTest::newRow("another slave's reply") << Simulator::Fault::WrongSlave;
    QTest::newRow("function 4 for 3") << Simulator::Fault::WrongFunction;
}

// The read before each channel's write meets the wrong reply: the image it would have given must
// not be written back.
void tst_SafeWrite::rangeWrite_wrongShapeRead_writesNothing()
{
    QFETCH(Simulator::Fault, fault);
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.widget<QSpinBox>("sbBeginChan")->setValue(1);
    w.widget<QSpinBox>("sbEndChan")->setValue(3);
    w.click("btRead");
    w.tick();
    for (int c = 0; c < 3; ++c)
        w.simulator.setHoldingRegister(channelBlock(c) + CH_DELAY, quint16(40 + c));
    const QVector<quint16> before = holding(w.simulator, channelBlock(0), 3 * CHANNEL_BLOCK_SIZE);
    w.simulator.clearLogs();
    w.answerer.clear();
    // The three reads of the comparison pass; the ones of the write do not.
    w.simulator.setFault(fault, 3, 0, 0);
    w.click("btWrite");
    w.tick();
    QCOMPARE(w.answerer.dialogs(), QStringList{"dlgWriteDiff"});
    QCOMPARE(w.answerer.messages(), QStringList{"Ошибка связи"});
    QVERIFY(!w.isConnected());
    QVERIFY(w.simulator.writeLog().isEmpty());
    QCOMPARE(holding(w.simulator, channelBlock(0), 3 * CHANNEL_BLOCK_SIZE), before);
}

// The enable mask is read whole and written back whole; a mask read of one word of two would
// switch off channels 17..32.
void tst_SafeWrite::stateEdit_shortMaskRead_keepsOtherChannels()
{
    ConnectedWindow w;
    w.simulator.setHoldingRegister(REG_ENABLE_MASK, 0x1214);
    w.simulator.setHoldingRegister(REG_ENABLE_MASK + 1, 0xFFFF);
    QVERIFY(w.connect());
    w.simulator.clearLogs();
    w.simulator.setFault(Simulator::Fault::ShortRead, 0, 0, 0);
    QAbstractItemModel *table = w.widget<QTableView>("tvChannelsCfg")->model();
    const bool on = table->index(5, 0).data().toString() == "ВКЛЮЧЕН";
    table->setData(table->index(5, 0), on ? "откл." : "ВКЛЮЧЕН", Qt::EditRole);
    QVERIFY(w.waitIdle());
    QCOMPARE(w.answerer.messages(), QStringList{"Ошибка связи"});
    QVERIFY(w.simulator.writeLog().isEmpty());
    QCOMPARE(holding(w.simulator, REG_ENABLE_MASK, 2), QVector<quint16>({0x1214, 0xFFFF}));
}

QTEST_MAIN(tst_SafeWrite)
#include "tst_safewrite.moc"
