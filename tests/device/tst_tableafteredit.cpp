#include "device/registermap.h"
#include "tests/support/connectedwindow.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

namespace {

constexpr int CHANNEL = 9;
// Status, concentration, ADC and PWM change on their own between two reads.
const QList<int> LIVE_COLUMNS = {3, 4, 5, 6, 10, 11};

QTableView *table(const ConnectedWindow &w)
{
    return w.widget<QTableView>("tvChannelsCfg");
}

QModelIndex cell(const ConnectedWindow &w, int column)
{
    return table(w)->model()->index(CHANNEL, column);
}

QStringList settingsRow(const ConnectedWindow &w)
{
    QStringList row;
    for (int column = 0; column < table(w)->model()->columnCount(); ++column)
        if (!LIVE_COLUMNS.contains(column))
            row << cell(w, column).data().toString();
    return row;
}

void setRange(ConnectedWindow &w)
{
    w.widget<QSpinBox>("sbBeginChan")->setValue(CHANNEL + 1);
    w.widget<QSpinBox>("sbEndChan")->setValue(CHANNEL + 1);
}

void readChannel(ConnectedWindow &w)
{
    setRange(w);
    w.click("btRead");
    w.tick();
    w.answerer.clear();
    w.simulator.clearLogs();
}

// Two decimals, thresholds 25.00 / 30.00 / 40.00, range maximum 100.00, delay 10, version 1.2
// build 3.
void fillChannel(Simulator &simulator)
{
    const int block = channelBlock(CHANNEL);
    simulator.setHoldingRegister(block + CH_SW_VERSION, 0x0102);
    simulator.setHoldingRegister(block + CH_SW_BUILD, 3);
    simulator.setHoldingRegister(block + CH_CONFIG, 2 << CONFIG_DECIMALS_SHIFT | 1);
    simulator.setHoldingRegister(block + CH_THRESHOLD1, 2500);
    simulator.setHoldingRegister(block + CH_THRESHOLD2, 3000);
    simulator.setHoldingRegister(block + CH_THRESHOLD3, 4000);
    simulator.setHoldingRegister(block + CH_RANGE_MAX, 10000);
    simulator.setHoldingRegister(block + CH_DELAY, 10);
}

bool editable(const ConnectedWindow &w)
{
    return table(w)->editTriggers() != QAbstractItemView::NoEditTriggers;
}

} // namespace

class tst_TableAfterEdit : public QObject
{
    Q_OBJECT

private slots:
    void editedRow_showsWhatAFreshReadShows_data();
    void editedRow_showsWhatAFreshReadShows();
    void rangeOperation_takesNoEdits_data();
    void rangeOperation_takesNoEdits();
    void textEditors_takeSixteenCharacters();
};

void tst_TableAfterEdit::editedRow_showsWhatAFreshReadShows_data()
{
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shownColumn");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("held");
    QTest::newRow("scaled value at two decimals")
        << true << 13 << "12.345" << 13 << "12.35" << int(CH_RANGE_MAX) << 1235;
    QTest::newRow("tag cut to 16 bytes") << true << 2 << "ABCDEFGHIJKLMNOPQRST" << 2
                                         << "ABCDEFGHIJKLMNOP" << CH_TAG + 7 << ('P' << 8 | 'O');
    QTest::newRow("Дискрет rescales the thresholds")
        << true << 8 << "0.1" << 15 << "250.0" << int(CH_THRESHOLD1) << 2500;
    QTest::newRow("module type changes the version's form")
        << true << 1 << "DORNA" << 36 << " 1.02.03" << int(CH_CONFIG) << (3 << 10 | 2 << 4 | 1);
    QTest::newRow("disconnected: Дискрет rescales the thresholds")
        << false << 8 << "1" << 17 << "3000" << 0 << 0;
}

// The row is compared with a fresh read of the channel; disconnected, with the record.
void tst_TableAfterEdit::editedRow_showsWhatAFreshReadShows()
{
    QFETCH(bool, online);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(int, shownColumn);
    QFETCH(QString, shown);
    QFETCH(int, offset);
    QFETCH(int, held);
    ConnectedWindow w;
    fillChannel(w.simulator);
    QVERIFY(w.connect());
    readChannel(w);
    if (!online)
        w.click("Stop");
    table(w)->model()->setData(cell(w, column), text, Qt::EditRole);
    QVERIFY(w.waitIdle());
    QCOMPARE(cell(w, shownColumn).data().toString(), shown);
    if (!online)
        return;
    QCOMPARE(int(w.simulator.holdingRegister(channelBlock(CHANNEL) + offset)), held);
    const QStringList edited = settingsRow(w);
    readChannel(w);
    QCOMPARE(settingsRow(w), edited);
}

void tst_TableAfterEdit::rangeOperation_takesNoEdits_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<int>("held");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Прочитать устройство") << "btRead" << QStringList() << 11 << "11";
    QTest::newRow("Записать в устройство")
        << "btWrite" << QStringList{"dlgWriteDiff"} << 10 << "10";
    QTest::newRow("Загрузка") << "pbArcLoad" << QStringList() << 11 << "10";
}

// The range maximum's editor is open with "55" typed when the operation starts. The controller's
// delay was changed behind the table's back, so that a range write has something to do.
void tst_TableAfterEdit::rangeOperation_takesNoEdits()
{
    QFETCH(QString, button);
    QFETCH(QStringList, dialogs);
    QFETCH(int, held);
    QFETCH(QString, shown);
    ConnectedWindow w;
    fillChannel(w.simulator);
    QVERIFY(w.connect());
    readChannel(w);
    w.simulator.setHoldingRegister(channelBlock(CHANNEL) + CH_DELAY, 11);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QTableView *view = table(w);
    view->setFocus();
    view->setCurrentIndex(cell(w, 13));
    QTest::keyClick(view, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(cell(w, 13)));
    QVERIFY(editor);
    editor->setText("55");

    int unlockedDuringProgress = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!w.window->findChildren<QProgressBar *>().isEmpty() &&
            (editable(w) || w.widget<QPushButton>("btImport")->isEnabled()))
            ++unlockedDuringProgress;
    });
    probe.start(5);
    setRange(w);
    w.click(qPrintable(button));
    QMetaObject::invokeMethod(w.window.get(), "Timer", Qt::DirectConnection);
    QVERIFY(!view->indexWidget(cell(w, 13)));
    QVERIFY(!editable(w));
    QVERIFY(!w.widget<QPushButton>("btImport")->isEnabled());
    QTest::keyClick(view, Qt::Key_F2);
    QVERIFY(!view->indexWidget(cell(w, 13)));
    QVERIFY(w.waitIdle());

    QCOMPARE(unlockedDuringProgress, 0);
    QVERIFY(editable(w));
    QVERIFY(w.widget<QPushButton>("btImport")->isEnabled());
    QCOMPARE(w.answerer.dialogs(), dialogs);
    QCOMPARE(int(w.simulator.holdingRegister(channelBlock(CHANNEL) + CH_DELAY)), held);
    QCOMPARE(cell(w, 21).data().toString(), shown);
    QCOMPARE(w.simulator.holdingRegister(channelBlock(CHANNEL) + CH_RANGE_MAX), quint16(10000));
    QCOMPARE(cell(w, 13).data().toString(), QString("100.00"));
    QTest::keyClick(view, Qt::Key_F2);
    QVERIFY(view->indexWidget(cell(w, 13)));
    QTest::keyClick(view->indexWidget(cell(w, 13)), Qt::Key_Escape);
}

void tst_TableAfterEdit::textEditors_takeSixteenCharacters()
{
    ConnectedWindow w;
    QTableView *view = table(w);
    for (int column : {2, 9}) {
        view->setCurrentIndex(cell(w, column));
        view->edit(cell(w, column));
        auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(cell(w, column)));
        QVERIFY(editor);
        QCOMPARE(editor->maxLength(), 16);
    }
}

QTEST_MAIN(tst_TableAfterEdit)
#include "tst_tableafteredit.moc"
