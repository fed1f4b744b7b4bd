#include "device/channelrecord.h"
#include "app/comboboxdelegate.h"
#include "device/controllertext.h"
#include "journal/journal.h"
#include "tests/support/connectedwindow.h"

#include <QComboBox>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTextCodec>
#include <QtTest>
#include <map>

namespace {

int block(int channel)
{
    return 50 * (channel + 1);
}

QAbstractItemModel *model(const ConnectedWindow &w)
{
    return w.widget<QTableView>("tvChannelsCfg")->model();
}

// Types into a cell as the view's editor does when it commits, and waits for the write.
void edit(ConnectedWindow &w, int channel, int column, const QString &text)
{
    model(w)->setData(model(w)->index(channel, column), text, Qt::EditRole);
    QVERIFY(w.waitIdle());
}

QString cellText(const ConnectedWindow &w, int channel, int column)
{
    return model(w)->index(channel, column).data().toString();
}

void readChannels(ConnectedWindow &w, int first, int last)
{
    w.widget<QSpinBox>("sbBeginChan")->setValue(first);
    w.widget<QSpinBox>("sbEndChan")->setValue(last);
    w.click("btRead");
    w.tick();
    w.answerer.clear();
    w.simulator.clearLogs();
}

QTableView *table(const ConnectedWindow &w)
{
    return w.widget<QTableView>("tvChannelsCfg");
}

// The list open on the table's current cell, after F2; null when none opened.
QComboBox *openList(ConnectedWindow &w)
{
    QTest::keyClick(table(w), Qt::Key_F2);
    return qobject_cast<QComboBox *>(table(w)->indexWidget(table(w)->currentIndex()));
}

Simulator::Options device(int channels)
{
    Simulator::Options options;
    options.deviceType = channels;
    return options;
}

} // namespace

class tst_CellEdit : public QObject
{
    Q_OBJECT

private slots:
    void controllerText_isWindows1251_whateverTheLocale();
    void stateOfChannel41_on64K_setsOneMaskBit();
    void thresholdType_keepsValueAndSetsBit15();
    void scaledValues_roundHalfUp_rangeMinimumTruncated_data();
    void scaledValues_roundHalfUp_rangeMinimumTruncated();
    void moduleTypeOnInternalChannel_storesInternalAndClearsField();
    void textColumns_writeEightRegisters();
    void archiveMode_updatesBothMasks();
    void displayOnlyColumn_writesNothing();
    void impossibleValues_areRefusedAndRedrawn_data();
    void impossibleValues_areRefusedAndRedrawn();
    void silentControllerDuringMaskEdit_writesNothingAndDisconnects();
    void offlineEdit_changesOnlyTheRecord();
    void delegate_offersTheColumnsListAndStoresTheChoice();
    void listLeftWithoutPick_writesNothing_data();
    void listLeftWithoutPick_writesNothing();
};

// A locale with an 8-bit page of its own must not change what reaches the controller.
void tst_CellEdit::controllerText_isWindows1251_whateverTheLocale()
{
    QTextCodec *const saved = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("KOI8-R"));
    const QByteArray bytes = ControllerText::encode(QStringLiteral("Котёл"));
    const QString back = ControllerText::decode(bytes.constData());
    QTextCodec::setCodecForLocale(saved);
    QCOMPARE(bytes, QByteArray("\xCA\xEE\xF2\xB8\xEB", 5) + QByteArray(11, '\0'));
    QCOMPARE(back, QStringLiteral("Котёл"));
}

void tst_CellEdit::stateOfChannel41_on64K_setsOneMaskBit()
{
    ConnectedWindow w(device(64));
    const quint16 mask[4] = {0x1234, 0x5678, 0x9ABC, 0xDEF0};
    for (int i = 0; i < 4; ++i)
        w.simulator.setHoldingRegister(12 + i, mask[i]);
    QVERIFY(w.connect());
    w.simulator.clearLogs();
    edit(w, 40, 0, "ВКЛЮЧЕН");
    QCOMPARE(w.simulator.holdingRegister(12), quint16(0x1234));
    QCOMPARE(w.simulator.holdingRegister(13), quint16(0x5678));
    QCOMPARE(w.simulator.holdingRegister(14), quint16(0x9BBC));
    QCOMPARE(w.simulator.holdingRegister(15), quint16(0xDEF0));
    QCOMPARE(channelRecords[40].enabled, 1);
    QCOMPARE(channelRecords[40].edited, quint8(1));
    QCOMPARE(w.simulator.writeLog().size(), 4);
    QVERIFY(w.answerer.messages().isEmpty());
}

void tst_CellEdit::thresholdType_keepsValueAndSetsBit15()
{
    ConnectedWindow w;
    w.simulator.setHoldingRegister(block(0) + 5, 150);
    w.simulator.setHoldingRegister(block(0) + 3, 1 << 4); // one decimal
    w.simulator.setHoldingRegister(block(0) + 4, 0x8000 | 7);
    QVERIFY(w.connect());
    readChannels(w, 1, 1);
    edit(w, 0, 16, "Пониж.");
    QCOMPARE(w.simulator.holdingRegister(55), quint16(0x8000 | 150));
    edit(w, 0, 15, "2.5");
    QCOMPARE(w.simulator.holdingRegister(54), quint16(0x8000 | 25));
    QCOMPARE(channelRecords[0].thr1, 25);
}

void tst_CellEdit::scaledValues_roundHalfUp_rangeMinimumTruncated_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("expected");
    QTest::newRow("range minimum truncated") << 12 << "1.26" << 7 << 12;
    QTest::newRow("range maximum rounded") << 13 << "1.26" << 8 << 13;
    QTest::newRow("alarm current") << 32 << "4.02" << 47 << 4020;
    QTest::newRow("service current") << 34 << "20" << 49 << 20000;
    QTest::newRow("hysteresis") << 20 << "0.05" << 9 << 1;
    QTest::newRow("delay") << 21 << "65535" << 10 << 65535;
    QTest::newRow("dead zone") << 22 << "3.3" << 31 << 33;
    QTest::newRow("archive delta") << 27 << "0.7" << 34 << 7;
    QTest::newRow("ADC calibration") << 28 << "2048" << 35 << 2048;
    QTest::newRow("module address") << 35 << "247" << 45 << 247 * 256;
}

void tst_CellEdit::scaledValues_roundHalfUp_rangeMinimumTruncated()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(int, offset);
    QFETCH(int, expected);
    ConnectedWindow w(device(64));
    w.simulator.setHoldingRegister(block(2) + 3, 1 << 4);
    QVERIFY(w.connect());
    readChannels(w, 3, 3);
    edit(w, 2, column, text);
    const QVector<Simulator::Write> log = w.simulator.writeLog();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.at(0).address, block(2) + offset);
    QCOMPARE(int(log.at(0).value), expected);
}

void tst_CellEdit::moduleTypeOnInternalChannel_storesInternalAndClearsField()
{
    ConnectedWindow w;
    w.simulator.setHoldingRegister(block(0) + 3, 0xC3C0 | 2 << 10 | 0x15);
    QVERIFY(w.connect());
    edit(w, 0, 1, "VT84-QDM");
    QCOMPARE(channelRecords[0].moduleType, 1);
    QCOMPARE(w.simulator.holdingRegister(block(0) + 3), quint16(0xC3C0 | 0x15));
    edit(w, 9, 1, "VT84-QDM");
    QCOMPARE(channelRecords[9].moduleType, 3);
    QCOMPARE(w.simulator.holdingRegister(block(9) + 3) & 0x3C00, 2 << 10);
    edit(w, 9, 7, "vol");
    QCOMPARE(w.simulator.holdingRegister(block(9) + 3) & 0x3C0F, 2 << 10 | 4);
}

void tst_CellEdit::textColumns_writeEightRegisters()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    edit(w, 4, 2, "Котёл-1");
    edit(w, 4, 9, "ABCDEFGHIJKLMNOPQRS");
    // Windows-1251: К = 0xCA, о = 0xEE, т = 0xF2, ё = 0xB8, л = 0xEB.
    QCOMPARE(w.simulator.holdingRegister(block(4) + 22), quint16(0xEECA));
    QCOMPARE(w.simulator.holdingRegister(block(4) + 23), quint16(0xB8F2));
    QCOMPARE(w.simulator.holdingRegister(block(4) + 24), quint16('-' << 8 | 0xEB));
    QCOMPARE(w.simulator.holdingRegister(block(4) + 25), quint16('1'));
    QCOMPARE(w.simulator.holdingRegister(block(4) + 29), quint16(0));
    QCOMPARE(w.simulator.holdingRegister(block(4) + 14), quint16('B' << 8 | 'A'));
    QCOMPARE(w.simulator.holdingRegister(block(4) + 21), quint16('P' << 8 | 'O'));
    QCOMPARE(QByteArray(channelRecords[4].gasName, 16), QByteArray("ABCDEFGHIJKLMNOP"));
}

void tst_CellEdit::archiveMode_updatesBothMasks()
{
    ConnectedWindow w;
    w.simulator.setHoldingRegister(14, 0xFFFF);
    w.simulator.setHoldingRegister(15, 0x0000);
    w.simulator.setHoldingRegister(16, 0x0000);
    w.simulator.setHoldingRegister(17, 0xFFFF);
    QVERIFY(w.connect());
    edit(w, 3, 25, "Дельта");
    edit(w, 20, 25, "Интервал");
    QCOMPARE(w.simulator.holdingRegister(14), quint16(0xFFF7));
    QCOMPARE(w.simulator.holdingRegister(15), quint16(0x0010));
    QCOMPARE(w.simulator.holdingRegister(16), quint16(0x0008));
    QCOMPARE(w.simulator.holdingRegister(17), quint16(0xFFEF));
}

void tst_CellEdit::displayOnlyColumn_writesNothing()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.simulator.clearLogs();
    for (int column : {3, 4, 5, 6, 10, 11, 36, 37})
        edit(w, 10, column, "123");
    QVERIFY(w.simulator.writeLog().isEmpty());
    QVERIFY(w.answerer.messages().isEmpty());
    QVERIFY(w.isConnected());
    QCOMPARE(cellText(w, 10, 6), QString("123"));
}

void tst_CellEdit::impossibleValues_areRefusedAndRedrawn_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("not a number") << 21 << "abc";
    QTest::newRow("negative integer") << 26 << "-1";
    QTest::newRow("negative scaled") << 13 << "-0.01";
    QTest::newRow("above 16 bits") << 23 << "70000";
    QTest::newRow("scaled above 16 bits") << 13 << "6553.6";
    QTest::newRow("module address above 255") << 35 << "300";
    QTest::newRow("threshold into bit 15") << 15 << "4000.0";
    QTest::newRow("current above 16 bits") << 32 << "65.536";
}

void tst_CellEdit::impossibleValues_areRefusedAndRedrawn()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    ConnectedWindow w;
    w.simulator.setHoldingRegister(block(12) + 3, 1 << 4 | 2 << 10);
    QVERIFY(w.connect());
    readChannels(w, 13, 13);
    const QString before = cellText(w, 12, column);
    const QByteArray record(reinterpret_cast<const char *>(&channelRecords[12]), 1024);
    edit(w, 12, column, text);
    QVERIFY(w.simulator.writeLog().isEmpty());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(&channelRecords[12]), 1024), record);
    QCOMPARE(cellText(w, 12, column), before);
    QVERIFY(w.isConnected());
}

void tst_CellEdit::silentControllerDuringMaskEdit_writesNothingAndDisconnects()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    w.simulator.clearLogs();
    w.simulator.setFault(Simulator::Fault::StopAnswering);
    const bool on = cellText(w, 5, 0) == "ВКЛЮЧЕН";
    edit(w, 5, 0, on ? "откл." : "ВКЛЮЧЕН");
    QVERIFY(w.simulator.writeLog().isEmpty());
    QCOMPARE(w.answerer.messages(), QStringList{"Ошибка связи"});
    QVERIFY(!w.isConnected());
}

void tst_CellEdit::offlineEdit_changesOnlyTheRecord()
{
    ConnectedWindow w;
    QVERIFY(w.simulator.start());
    edit(w, 6, 13, "12");
    edit(w, 6, 0, "ВКЛЮЧЕН");
    QCOMPARE(channelRecords[6].rangeMax, 12);
    QCOMPARE(channelRecords[6].enabled, 1);
    QCOMPARE(w.simulator.requestCount(), 0);
    QVERIFY(w.answerer.messages().isEmpty());
}

void tst_CellEdit::delegate_offersTheColumnsListAndStoresTheChoice()
{
    ConnectedWindow w;
    QTableView *view = w.widget<QTableView>("tvChannelsCfg");
    auto *delegate = qobject_cast<comboBoxDelegate *>(view->itemDelegateForColumn(25));
    QVERIFY(delegate);
    QVERIFY(!qobject_cast<comboBoxDelegate *>(view->itemDelegateForColumn(2)));
    const QModelIndex index = model(w)->index(1, 25);
    std::unique_ptr<QWidget> editor(delegate->createEditor(view, QStyleOptionViewItem(), index));
    auto *combo = qobject_cast<QComboBox *>(editor.get());
    QVERIFY(combo);
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(2), QString("Дельта"));
    model(w)->setData(index, "Интервал", Qt::EditRole);
    delegate->setEditorData(combo, index);
    QCOMPARE(combo->currentIndex(), 1);
    QTest::keyClick(combo, Qt::Key_Down);
    delegate->setModelData(combo, model(w), index);
    QCOMPARE(channelRecords[1].arcMode, 2);
}

void tst_CellEdit::listLeftWithoutPick_writesNothing_data()
{
    QTest::addColumn<int>("column");
    QTest::newRow("Состоян.") << 0;
    QTest::newRow("Тип. устр.") << 1;
    QTest::newRow("Ед. измер.") << 7;
    QTest::newRow("Дискрет") << 8;
    QTest::newRow("Тип1") << 14;
    QTest::newRow("Тип2") << 16;
    QTest::newRow("Тип3") << 18;
    QTest::newRow("Арх. статус") << 25;
}

// Channel 10 holds module type 6, which is not in the list. The cursor passes through the cell
// (arrow keys, Tab), then its list is opened and left by Esc, Tab and focus moving elsewhere.
void tst_CellEdit::listLeftWithoutPick_writesNothing()
{
    QFETCH(int, column);
    ConnectedWindow w;
    w.simulator.setHoldingRegister(block(9) + 3, 0x1410);
    QVERIFY(w.connect());
    readChannels(w, 10, 10);
    QCOMPARE(cellText(w, 9, 1), QString("6"));
    w.window->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QTableView *view = table(w);
    const QString shown = cellText(w, 9, column);

    view->setFocus();
    view->setCurrentIndex(model(w)->index(8, column));
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Tab);
    QTest::keyClick(view, Qt::Key_Backtab);
    QCOMPARE(view->currentIndex(), model(w)->index(9, column));
    QVERIFY(w.waitIdle());
    QVERIFY(w.simulator.writeLog().isEmpty());
    QVERIFY(!view->indexWidget(view->currentIndex()));

    for (Qt::Key leave : {Qt::Key_Escape, Qt::Key_Tab, Qt::Key_unknown}) {
        view->setCurrentIndex(model(w)->index(9, column));
        QComboBox *list = openList(w);
        QVERIFY(list);
        QCOMPARE(list->currentText(), shown);
        if (leave == Qt::Key_unknown)
            w.widget<QSpinBox>("sbBeginChan")->setFocus();
        else
            QTest::keyClick(list, leave);
        QTRY_VERIFY(!view->indexWidget(model(w)->index(9, column)));
    }
    QVERIFY(w.waitIdle());
    QVERIFY(w.simulator.writeLog().isEmpty());
    QCOMPARE(w.simulator.holdingRegister(block(9) + 3), quint16(0x1410));
    QCOMPARE(cellText(w, 9, column), shown);
    QVERIFY(Journal().entries({}).isEmpty());

    // A pick is written.
    view->setCurrentIndex(model(w)->index(9, column));
    QComboBox *list = openList(w);
    QVERIFY(list);
    const int picked = list->currentIndex() == list->count() - 1 ? 0 : list->count() - 1;
    list->setFocus();
    QTest::keyClick(list, picked == 0 ? Qt::Key_Home : Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!view->indexWidget(model(w)->index(9, column)));
    QVERIFY(w.waitIdle());
    QVERIFY(!w.simulator.writeLog().isEmpty());
    QCOMPARE(Journal().entries({}).size(), 1);
}

QTEST_MAIN(tst_CellEdit)
#include "tst_celledit.moc"
