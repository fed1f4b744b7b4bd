#include "device/channelrecord.h"
#include "device/registermap.h"
#include "journal/journal.h"
#include "tests/support/connectedwindow.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

namespace {

QAbstractItemModel *model(const ConnectedWindow &w)
{
    return w.widget<QTableView>("tvChannelsCfg")->model();
}

QString cellText(const ConnectedWindow &w, int channel, int column)
{
    return model(w)->index(channel, column).data().toString();
}

bool isRed(const ConnectedWindow &w, int channel, int column)
{
    return model(w)->index(channel, column).data(Qt::BackgroundRole).value<QBrush>().color() ==
           Qt::red;
}

void requestRange(ConnectedWindow &w, const char *button, int first, int last)
{
    w.widget<QSpinBox>("sbBeginChan")->setValue(first);
    w.widget<QSpinBox>("sbEndChan")->setValue(last);
    w.click(button);
    w.tick();
}

// Changes made on the controller behind the tool's back, in fields of several kinds; the enable
// mask bit and the 4 mA DAC value are not sent by a range write.
void changeController(Simulator &sim)
{
    sim.setHoldingRegister(channelBlock(0) + CH_TAG, quint16('X' | 'Y' << 8));
    sim.setHoldingRegister(REG_ENABLE_MASK, sim.holdingRegister(REG_ENABLE_MASK) ^ 1);
    const int config = channelBlock(1) + CH_CONFIG;
    sim.setHoldingRegister(config, quint16((sim.holdingRegister(config) & ~0xF) |
                                           ((sim.holdingRegister(config) + 1) & 0xF)));
    const int rangeMax = channelBlock(1) + CH_RANGE_MAX;
    sim.setHoldingRegister(rangeMax, quint16(sim.holdingRegister(rangeMax) + 5));
    const int threshold = channelBlock(2) + CH_THRESHOLD1;
    sim.setHoldingRegister(threshold, quint16((sim.holdingRegister(threshold) ^ 0x8000) + 3));
    const int dac = channelBlock(2) + CH_DAC_4MA;
    sim.setHoldingRegister(dac, quint16(sim.holdingRegister(dac) + 9));
}

QStringList column(const QStringList &rows, int index)
{
    QStringList cells;
    for (const QString &row : rows)
        cells << row.section(QLatin1Char('|'), index, index);
    return cells;
}

} // namespace

class tst_WriteCheck : public QObject
{
    Q_OBJECT

private slots:
    void rangeWrite_showsTheWrittenChangesFirst();
    void refusedValue_isShownRedAndJournalled_data();
    void refusedValue_isShownRedAndJournalled();
    void deviceWrites_areCheckedAndJournalled_data();
    void deviceWrites_areCheckedAndJournalled();
};

// Cancelled, it writes nothing; confirmed, it writes and journals exactly the listed fields;
// once equal, there is nothing to write. The controller's texts in the dialog are what a read
// of the controller shows.
void tst_WriteCheck::rangeWrite_showsTheWrittenChangesFirst()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    requestRange(w, "btRead", 1, 3);
    const QStringList tableTexts = {cellText(w, 0, 2), cellText(w, 1, 7), cellText(w, 1, 13),
                                    cellText(w, 2, 14), cellText(w, 2, 15)};
    changeController(w.simulator);
    w.simulator.clearLogs();
    w.answerer.clear();

    w.answerer.queueDialogAnswer(false);
    requestRange(w, "btWrite", 1, 3);
    QCOMPARE(w.answerer.dialogs(), QStringList{"dlgWriteDiff"});
    const QStringList rows = w.answerer.dialogRows();
    QCOMPARE(column(rows, 0), QStringList({"01", "02", "02", "03", "03"}));
    QCOMPARE(column(rows, 1),
             QStringList({"Тэг", "Ед. измер.", "Макс. диап.", "Тип1", "Порог1"}));
    QCOMPARE(column(rows, 3), tableTexts);
    QVERIFY(w.simulator.writeLog().isEmpty());
    QVERIFY(w.answerer.messages().isEmpty());

    requestRange(w, "btWrite", 1, 3);
    QCOMPARE(w.answerer.dialogRows(), rows);
    QCOMPARE(w.answerer.messages(), QStringList{"Запись завершена"});
    QVERIFY(!w.simulator.writeLog().isEmpty());
    QVector<JournalEntry> journal = Journal().entries({});
    QCOMPARE(journal.size(), 5);
    QStringList journalled;
    for (auto entry = journal.crbegin(); entry != journal.crend(); ++entry) {
        journalled << entry->channel + "|" + entry->field + "|" + entry->before + "|" +
                          entry->after;
        QCOMPARE(entry->result, QString("OK"));
        QCOMPARE(entry->factoryNumber, QString::number(w.simulator.factoryNumber()));
        QCOMPARE(entry->address, 1);
    }
    QStringList expected;
    for (const QString &row : rows)
        expected << QString::number(row.section('|', 0, 0).toInt()) + "|" + row.section('|', 1);
    QCOMPARE(journalled, expected);

    w.simulator.clearLogs();
    w.answerer.clear();
    requestRange(w, "btWrite", 1, 3);
    QCOMPARE(w.answerer.messages(), QStringList{"Нет изменений"});
    QVERIFY(w.simulator.writeLog().isEmpty());

    changeController(w.simulator);
    requestRange(w, "btRead", 1, 3);
    QCOMPARE(QStringList({cellText(w, 0, 2), cellText(w, 1, 7), cellText(w, 1, 13),
                          cellText(w, 2, 14), cellText(w, 2, 15)}),
             column(rows, 2));
}

void tst_WriteCheck::refusedValue_isShownRedAndJournalled_data()
{
    QTest::addColumn<bool>("rangeWrite");
    QTest::newRow("cell edit") << false;
    QTest::newRow("range write") << true;
}

// The controller keeps its threshold: the write is not reported done, the cell turns red until
// the channel is read again, and the journal says "Не принято".
void tst_WriteCheck::refusedValue_isShownRedAndJournalled()
{
    QFETCH(bool, rangeWrite);
    ConnectedWindow w;
    w.simulator.setReadOnly(channelBlock(2) + CH_THRESHOLD1);
    QVERIFY(w.connect());
    requestRange(w, "btRead", 1, 3);
    const quint16 held = w.simulator.holdingRegister(channelBlock(2) + CH_THRESHOLD1);
    w.answerer.clear();
    if (rangeWrite) {
        channelRecords[2].thr1 += 7;
        requestRange(w, "btWrite", 1, 3);
    } else {
        model(w)->setData(model(w)->index(2, 15), "7", Qt::EditRole);
        QVERIFY(w.waitIdle());
    }
    QCOMPARE(w.answerer.messages().size(), 1);
    QVERIFY2(w.answerer.messages().first().startsWith(
                 "Контроллер не принял значения:\nКанал 03, Порог1: записано "),
             qPrintable(w.answerer.messages().first()));
    QCOMPARE(w.simulator.holdingRegister(channelBlock(2) + CH_THRESHOLD1), held);
    QVERIFY(isRed(w, 2, 15));
    QVERIFY(!isRed(w, 2, 17));
    const QVector<JournalEntry> journal = Journal().entries({});
    QCOMPARE(journal.size(), 1);
    QCOMPARE(journal.first().channel, QString("3"));
    QCOMPARE(journal.first().field, QString("Порог1"));
    QCOMPARE(journal.first().result, QString("Не принято"));
    QVERIFY(w.isConnected());

    requestRange(w, "btRead", 3, 3);
    QVERIFY(!isRed(w, 2, 15));
}

void tst_WriteCheck::deviceWrites_areCheckedAndJournalled_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("readOnly");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("result");
    QTest::newRow("factory number") << "SerialNumSet" << -1 << "Заводской номер" << "OK";
    QTest::newRow("factory number kept")
        << "SerialNumSet" << ARG_REG << "Заводской номер" << "Не принято";
    QTest::newRow("clock") << "DateTimeWrite" << -1 << "Дата и время" << "OK";
    QTest::newRow("clock kept") << "DateTimeWrite" << REG_CLOCK << "Дата и время" << "Не принято";
    QTest::newRow("clock sync") << "DateTimeSync" << -1 << "Синхронизировать" << "OK";
    QTest::newRow("hardware version") << "HW_VerSet" << -1 << "Аппаратная версия" << "OK";
    QTest::newRow("save") << "btSave" << -1 << "Сохранить в устройстве" << "OK";
    QTest::newRow("write to channel") << "btWriteChan" << -1 << "Записать в канал" << "OK";
    QTest::newRow("direct access") << "DirectMode" << -1 << "Прямой доступ" << "OK";
}

void tst_WriteCheck::deviceWrites_areCheckedAndJournalled()
{
    QFETCH(QString, button);
    QFETCH(int, readOnly);
    QFETCH(QString, field);
    QFETCH(QString, result);
    ConnectedWindow w;
    if (readOnly >= 0)
        w.simulator.setReadOnly(readOnly);
    QVERIFY(w.connect());
    w.widget<QLineEdit>("SerialNumDev")->setText("777");
    // Connecting shows the controller's clock; a write of another time tells kept from taken.
    w.widget<QDateEdit>("dateSet")->setDate(QDate(2000, 1, 1));
    w.answerer.clear();
    w.click(qPrintable(button));
    w.tick();
    const QVector<JournalEntry> journal = Journal().entries({});
    QCOMPARE(journal.size(), 1);
    QCOMPARE(journal.first().field, field);
    QCOMPARE(journal.first().channel, QString());
    QCOMPARE(journal.first().result, result);
    QCOMPARE(journal.first().port, w.simulator.portPath());
    if (result == "OK") {
        QVERIFY(w.answerer.messages().isEmpty());
    } else {
        QCOMPARE(w.answerer.messages().size(), 1);
        QVERIFY(w.answerer.messages().first().startsWith("Контроллер не принял значения:\n" +
                                                          field + ": записано "));
    }
    QVERIFY(w.isConnected());
}

QTEST_MAIN(tst_WriteCheck)
#include "tst_writecheck.moc"
