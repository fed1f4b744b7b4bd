#include "device/channeldiff.h"
#include "device/channelrecord.h"
#include "device/registermap.h"
#include "device/settingsfile.h"
#include "device/texttables.h"
#include "journal/journal.h"
#include "tests/support/connectedwindow.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

namespace {

QAbstractItemModel *model(const ConnectedWindow &w)
{
    return w.widget<QTableView>("tvChannelsCfg")->model();
}

void requestRange(ConnectedWindow &w, const char *button, int first, int last)
{
    w.widget<QSpinBox>("sbBeginChan")->setValue(first);
    w.widget<QSpinBox>("sbEndChan")->setValue(last);
    w.click(button);
    w.tick();
}

Simulator::Options device(int channels, const QString &stateFile = QString())
{
    Simulator::Options options;
    options.deviceType = channels;
    options.stateFile = stateFile;
    return options;
}

QStringList writtenAddresses(const Simulator &sim)
{
    QStringList addresses;
    for (const Simulator::Write &write : sim.writeLog())
        addresses << QString::number(write.address);
    addresses.removeDuplicates();
    return addresses;
}

QStringList blockAddresses(int channel)
{
    QStringList addresses;
    for (int k = 0; k < CHANNEL_BLOCK_SIZE; ++k)
        addresses << QString::number(channelBlock(channel) + k);
    return addresses;
}

} // namespace

class tst_RangeWrite : public QObject
{
    Q_OBJECT

private slots:
    void everyChangedRegister_isListedAndOnlyItsChannelWritten_data();
    void everyChangedRegister_isListedAndOnlyItsChannelWritten();
    void controllerChangedWhileListed_channelIsNotWritten();
    void saveWithWrite_goesOutAfterIt_data();
    void saveWithWrite_goesOutAfterIt();
    void factoryNumber_isWrittenOnlyWhenValid_data();
    void factoryNumber_isWrittenOnlyWhenValid();
    void cellEditJournal_oldValueIsTheControllers_data();
    void cellEditJournal_oldValueIsTheControllers();
    void connect_keepsTheSettingsFilledForItsType_data();
    void connect_keepsTheSettingsFilledForItsType();
};

void tst_RangeWrite::everyChangedRegister_isListedAndOnlyItsChannelWritten_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("channel"); // 1-based
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("held");
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("column");
    QTest::newRow("64 channels, threshold 3")
        << 64 << 5 << int(CH_THRESHOLD3) << 0xFFFF << 600 << 0 << 19;
    QTest::newRow("32 channels, module bits of an internal channel")
        << 32 << 3 << int(CH_CONFIG) << int(CONFIG_MODULE_MASK) << (5 << CONFIG_MODULE_SHIFT) << 0
        << 1;
    QTest::newRow("32 channels, low byte of the module address")
        << 32 << 10 << int(CH_MODULE_ADDRESS) << 0x00FF << 5 << 0 << 35;
}

// The range is first made equal to the records; then one register bit the write changes is set
// on the controller. The list shows it, and only its channel is written.
void tst_RangeWrite::everyChangedRegister_isListedAndOnlyItsChannelWritten()
{
    QFETCH(int, channels);
    QFETCH(int, channel);
    QFETCH(int, reg);
    QFETCH(int, mask);
    QFETCH(int, held);
    QFETCH(int, written);
    QFETCH(int, column);
    ConnectedWindow w(device(channels));
    QVERIFY(w.connect());
    requestRange(w, "btRead", channel - 1, channel + 1);
    requestRange(w, "btWrite", channel - 1, channel + 1);
    const int address = channelBlock(channel - 1) + reg;
    w.simulator.setHoldingRegister(
        address, quint16((w.simulator.holdingRegister(address) & ~mask) | held));
    requestRange(w, "btRead", channel - 1, channel + 1);
    w.simulator.clearLogs();
    w.answerer.clear();

    requestRange(w, "btWrite", channel - 1, channel + 1);
    QCOMPARE(w.answerer.dialogRows().size(), 1);
    const QStringList row = w.answerer.dialogRows().first().split('|');
    QCOMPARE(row.at(0).toInt(), channel);
    QCOMPARE(row.at(1), ChannelDiff::columnTitle(column));
    QCOMPARE(w.answerer.messages(), QStringList{"Запись завершена"});
    QCOMPARE(w.simulator.holdingRegister(address) & mask, written);
    for (const QString &sent : writtenAddresses(w.simulator))
        QVERIFY2(blockAddresses(channel - 1).contains(sent), qPrintable(sent));
}

// Another master changes channel 2's delay while the list is open: channel 2 keeps it, channel 1
// is written, and the end says which channel was left.
void tst_RangeWrite::controllerChangedWhileListed_channelIsNotWritten()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    requestRange(w, "btRead", 1, 2);
    channelRecords[0].delay += 3;
    channelRecords[1].delay += 3;
    const int delay1 = channelBlock(0) + CH_DELAY, delay2 = channelBlock(1) + CH_DELAY;
    w.answerer.whileNextDialogOpen([&] { w.simulator.setHoldingRegister(delay2, 99); });
    w.answerer.clear();
    requestRange(w, "btWrite", 1, 2);
    QCOMPARE(w.answerer.messages(),
             QStringList{"Контроллер изменился после сравнения, не записаны каналы: 2"});
    QCOMPARE(w.simulator.holdingRegister(delay2), quint16(99));
    QCOMPARE(w.simulator.holdingRegister(delay1), quint16(channelRecords[0].delay));
    QVERIFY(w.isConnected());
}

void tst_RangeWrite::saveWithWrite_goesOutAfterIt_data()
{
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<bool>("saveWhileListed");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("newValueSaved");
    QTest::newRow("confirmed") << true << false << true << true;
    QTest::newRow("cancelled") << false << false << false << false;
    QTest::newRow("cancelled, save asked for on its own") << false << true << true << false;
}

// "Записать в устройство" and "Сохранить в устройстве" pressed together: the controller saves
// what the write sent. The simulator stores its registers on the save.
void tst_RangeWrite::saveWithWrite_goesOutAfterIt()
{
    QFETCH(bool, confirmed);
    QFETCH(bool, saveWhileListed);
    QFETCH(bool, saved);
    QFETCH(bool, newValueSaved);
    QTemporaryDir stateDir;
    const QString state = stateDir.filePath("state.bin");
    ConnectedWindow w(device(32, state));
    QVERIFY(w.connect());
    requestRange(w, "btRead", 2, 2);
    const int delay = channelBlock(1) + CH_DELAY;
    const quint16 held = w.simulator.holdingRegister(delay);
    channelRecords[1].delay = held + 4;
    w.simulator.clearLogs();
    w.answerer.queueDialogAnswer(confirmed);
    if (saveWhileListed)
        w.answerer.whileNextDialogOpen([&] { w.click("btSave"); });
    w.click("btSave");
    requestRange(w, "btWrite", 2, 2);
    w.tick();
    QCOMPARE(w.simulator.commandLog().contains(CMD_SAVE_SETTINGS), saved);
    QCOMPARE(w.simulator.holdingRegister(delay), quint16(confirmed ? held + 4 : held));
    if (saved)
        QCOMPARE(Simulator(device(32, state)).holdingRegister(delay),
                 quint16(newValueSaved ? held + 4 : held));
}

void tst_RangeWrite::factoryNumber_isWrittenOnlyWhenValid_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("above 2^31") << "3000000000" << true;
    QTest::newRow("both words") << "65545" << true;
    QTest::newRow("largest") << "4294967295" << true;
    QTest::newRow("letters") << "12abc" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("negative") << "-5" << false;
    QTest::newRow("too large") << "4294967296" << false;
}

void tst_RangeWrite::factoryNumber_isWrittenOnlyWhenValid()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    ConnectedWindow w;
    QVERIFY(w.connect());
    const quint32 held = w.simulator.factoryNumber();
    w.simulator.clearLogs();
    w.answerer.clear();
    w.widget<QLineEdit>("SerialNumDev")->setText(text);
    w.click("SerialNumSet");
    w.tick();
    if (valid) {
        QVERIFY(w.answerer.messages().isEmpty());
        QCOMPARE(w.simulator.factoryNumber(), text.toUInt());
    } else {
        QCOMPARE(w.answerer.messages(), QStringList{"Неверный заводской номер"});
        QCOMPARE(w.simulator.factoryNumber(), held);
        QVERIFY(w.simulator.writeLog().isEmpty());
    }
}

void tst_RangeWrite::cellEditJournal_oldValueIsTheControllers_data()
{
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("editedBefore");
    QTest::newRow("never read") << false << false;
    QTest::newRow("read") << true << false;
    QTest::newRow("read and edited before") << true << true;
}

// The table holds 0 for a channel never read; the journal must not take it for the controller's.
void tst_RangeWrite::cellEditJournal_oldValueIsTheControllers()
{
    QFETCH(bool, read);
    QFETCH(bool, editedBefore);
    ConnectedWindow w;
    QVERIFY(w.connect());
    const int delay = channelBlock(4) + CH_DELAY;
    w.simulator.setHoldingRegister(delay, 20);
    if (read)
        requestRange(w, "btRead", 5, 5);
    if (editedBefore) {
        model(w)->setData(model(w)->index(4, 21), "25", Qt::EditRole);
        QVERIFY(w.waitIdle());
    }
    model(w)->setData(model(w)->index(4, 21), "30", Qt::EditRole);
    QVERIFY(w.waitIdle());
    QCOMPARE(w.simulator.holdingRegister(delay), quint16(30));
    const JournalEntry entry = Journal().entries({}).first();
    QCOMPARE(entry.after, QString("30"));
    QCOMPARE(entry.before, QString(!read ? "не прочитано" : editedBefore ? "25" : "20"));
}

void tst_RangeWrite::connect_keepsTheSettingsFilledForItsType_data()
{
    QTest::addColumn<bool>("imported");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("shown");
    QTest::newRow("imported") << true << 32 << "VT84-LDM";
    QTest::newRow("edited while disconnected") << false << 32 << "VT84-LDM";
    QTest::newRow("imported, other device type") << true << 64 << "DORNA";
}

// Channel 12's module type is filled before connecting; the window starts with a 32-channel
// table.
void tst_RangeWrite::connect_keepsTheSettingsFilledForItsType()
{
    QFETCH(bool, imported);
    QFETCH(int, channels);
    QFETCH(QString, shown);
    ConnectedWindow w(device(channels));
    if (imported) {
        channelRecords[11].moduleType = MODULE_LDM;
        QCOMPARE(SettingsFile::save("s.bin"), SettingsFile::Result::Ok);
        channelRecords[11].moduleType = MODULE_NONE;
        w.answerer.queueFileName(QDir::current().filePath("s.bin"));
        w.click("btImport");
    } else {
        model(w)->setData(model(w)->index(11, 1), "VT84-LDM", Qt::EditRole);
    }
    QCOMPARE(model(w)->index(11, 1).data().toString(), QString("VT84-LDM"));
    QVERIFY(w.connect());
    QCOMPARE(model(w)->index(11, 1).data().toString(), shown);
    QCOMPARE(model(w)->index(12, 1).data().toString(), channels == 32 ? "-" : "DORNA");
}

QTEST_MAIN(tst_RangeWrite)
#include "tst_rangewrite.moc"
