#include "tests/support/connectedwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

// Writes that the controller refuses or never answers must not look done.
class tst_SafeWrite : public QObject
{
    Q_OBJECT

private slots:
    void refusedCommandWrite_disconnectsWithLinkError_data();
    void refusedCommandWrite_disconnectsWithLinkError();
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

QTEST_MAIN(tst_SafeWrite)
#include "tst_safewrite.moc"
