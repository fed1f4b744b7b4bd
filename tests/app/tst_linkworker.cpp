#include "app/inifile.h"
#include "link/modbus.h"
#include "tests/support/connectedwindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>
#include <sys/resource.h>

namespace {

Simulator::Options device(int channels, int paceBaud = 0)
{
    Simulator::Options options;
    options.deviceType = channels;
    options.paceBaud = paceBaud;
    return options;
}

void requestRange(ConnectedWindow &w, const char *button, int first, int last)
{
    w.widget<QSpinBox>("sbBeginChan")->setValue(first);
    w.widget<QSpinBox>("sbEndChan")->setValue(last);
    w.click(button);
    QMetaObject::invokeMethod(w.window.get(), "Timer", Qt::DirectConnection);
}

void requestDownload(ConnectedWindow &w, int archive)
{
    w.widget<QComboBox>("cbArcChannel")->setCurrentIndex(archive);
    w.click("pbArcLoad");
    QMetaObject::invokeMethod(w.window.get(), "Timer", Qt::DirectConnection);
}

// The longest pause allowed between two shots of the GUI thread's 10 ms timer. Sanitizer builds
// run the GUI thread several times slower, so they get more room.
#ifdef TQ17_INSTRUMENTED
constexpr int GAP_LIMIT_MS = 150;
#else
constexpr int GAP_LIMIT_MS = 50;
#endif

// The longest pause between two shots of a 10 ms timer on the GUI thread until the link is idle.
int longestGap(ConnectedWindow &w)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    probe.start(10);
    w.waitIdle();
    return int(longest);
}

QString linkState(const ConnectedWindow &w)
{
    return w.widget<QLabel>("lbLinkState")->text();
}

bool progressShown(const ConnectedWindow &w)
{
    return !w.window->findChildren<QProgressBar *>().isEmpty();
}

// Presses "Отмена" once the operation has made some progress.
void cancelWhenUnderWay(ConnectedWindow &w, int requests)
{
    QTRY_VERIFY_WITH_TIMEOUT(w.simulator.requestCount() >= requests || !w.window->linkBusy(),
                             20000);
    QVERIFY(w.window->linkBusy());
    QVERIFY(!w.widget<QPushButton>("btCancel")->isHidden());
    w.click("btCancel");
    QVERIFY(w.waitIdle());
}

// The channels written, counted from the first, when every write was one whole channel block.
int wholeChannelsWritten(const ConnectedWindow &w)
{
    const QVector<Simulator::Write> log = w.simulator.writeLog();
    for (int i = 0; i < log.size(); ++i)
        if (log.at(i).address != 50 + i)
            return -1;
    return log.size() % 50 == 0 ? log.size() / 50 : -1;
}

// Processor time the whole process spends in one second of the GUI thread's event loop.
qint64 cpuMsInASecond()
{
    auto used = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    };
    const qint64 before = used();
    QTest::qWait(1000);
    return used() - before;
}

} // namespace

class tst_LinkWorker : public QObject
{
    Q_OBJECT

private slots:
    void longOperations_keepTheWindowResponsive_data();
    void longOperations_keepTheWindowResponsive();
    void cancelledRead_stopsBetweenChannelsAndKeepsTheConnection();
    void cancelledWrite_writesWholeChannelsOnly();
    void cancelledDownload_keepsTheConnection();
    void stopDuringRead_closesThePortWithoutMessages();
    void linkErrorDuringRead_reportsThenCompletes();
    void portHangUp_disconnectsOnceAndRestsTheThread_data();
    void portHangUp_disconnectsOnceAndRestsTheThread();
    void stopDuringEndlessReply_letsANewConnectionStartAtOnce();
    void closingTheWindowDuringWork_stillWritesIni();
    void statusLabel_followsTheConnection();
    void typedPort_isOfferedFirstAtTheNextStart();
};

void tst_LinkWorker::longOperations_keepTheWindowResponsive_data()
{
    QTest::addColumn<bool>("download");
    QTest::newRow("64-channel read at 9600 baud") << false;
    QTest::newRow("250-block download") << true;
}

void tst_LinkWorker::longOperations_keepTheWindowResponsive()
{
    QFETCH(bool, download);
    ConnectedWindow w(download ? device(32, 115200) : device(64, 9600));
    if (!download)
        w.widget<QComboBox>("cComBaudrate")->setCurrentText("9600");
    QVERIFY(w.connect());
    if (download)
        requestDownload(w, 0);
    else
        requestRange(w, "btRead", 1, 64);
    const int gap = longestGap(w);
    qInfo("longest gap between 10 ms timer shots: %d ms", gap);
    QVERIFY2(gap < GAP_LIMIT_MS, qPrintable(QString::number(gap)));
    QCOMPARE(w.answerer.messages(), QStringList{download ? QStringList() : QStringList{"Чтение завершено"}});
    if (download)
        QCOMPARE(w.simulator.completedUploads(), 1);
}

void tst_LinkWorker::cancelledRead_stopsBetweenChannelsAndKeepsTheConnection()
{
    ConnectedWindow w(device(64, 9600));
    w.widget<QComboBox>("cComBaudrate")->setCurrentText("9600");
    QVERIFY(w.connect());
    const int before = w.simulator.requestCount();
    requestRange(w, "btRead", 1, 64);
    cancelWhenUnderWay(w, before + 10);
    QCOMPARE(w.answerer.messages(), QStringList{"Операция отменена"});
    QVERIFY(w.simulator.requestCount() - before < 6 + 64);
    QVERIFY(!progressShown(w));
    QVERIFY(w.widget<QPushButton>("btCancel")->isHidden());
    QVERIFY(w.isConnected());
    QVERIFY(w.modbusAnswers());
}

void tst_LinkWorker::cancelledWrite_writesWholeChannelsOnly()
{
    ConnectedWindow w(device(64, 9600));
    w.widget<QComboBox>("cComBaudrate")->setCurrentText("9600");
    QVERIFY(w.connect());
    w.simulator.clearLogs();
    const int before = w.simulator.requestCount();
    requestRange(w, "btWrite", 1, 64);
    cancelWhenUnderWay(w, before + 64 + 8); // past the read that compares the range
    QCOMPARE(w.answerer.dialogs(), QStringList{"dlgWriteDiff"});
    QCOMPARE(w.answerer.messages(), QStringList{"Операция отменена"});
    const int written = wholeChannelsWritten(w);
    QVERIFY2(written > 0 && written < 64, qPrintable(QString::number(written)));
    QVERIFY(w.modbusAnswers());
}

void tst_LinkWorker::cancelledDownload_keepsTheConnection()
{
    ConnectedWindow w(device(32, 115200));
    QVERIFY(w.connect());
    requestDownload(w, 2);
    QTRY_VERIFY_WITH_TIMEOUT(w.simulator.archiveUploadActive(), 10000);
    QTest::qWait(500);
    w.click("btCancel");
    QVERIFY(w.waitIdle());
    QCOMPARE(w.answerer.messages(), QStringList{"Операция отменена"});
    QCOMPARE(w.simulator.completedUploads(), 0);
    QVERIFY(!progressShown(w));
    QTRY_VERIFY_WITH_TIMEOUT(!w.simulator.archiveUploadActive(), 5000);
    QVERIFY(w.isConnected());
    QVERIFY2(w.modbusAnswers(), qPrintable(w.answerer.messages().join("|")));
}

void tst_LinkWorker::stopDuringRead_closesThePortWithoutMessages()
{
    ConnectedWindow w(device(64, 9600));
    w.widget<QComboBox>("cComBaudrate")->setCurrentText("9600");
    QVERIFY(w.connect());
    const int before = w.simulator.requestCount();
    requestRange(w, "btRead", 1, 64);
    QTRY_VERIFY_WITH_TIMEOUT(w.simulator.requestCount() >= before + 10, 20000);
    w.click("Stop");
    QVERIFY(!w.isConnected());
    QVERIFY(w.waitIdle());
    QVERIFY(!w.window->controller().mbLine.isOpen);
    QVERIFY(w.answerer.messages().isEmpty());
    QVERIFY(!progressShown(w));
    // The table takes edits again, and a new connection works.
    QVERIFY(w.connect());
    QVERIFY2(w.modbusAnswers(), qPrintable(w.answerer.messages().join("|")));
}

void tst_LinkWorker::linkErrorDuringRead_reportsThenCompletes()
{
    ConnectedWindow w(device(32));
    QVERIFY(w.connect());
    w.simulator.setFault(Simulator::Fault::StopAnswering, 8);
    w.click("btSave");
    requestRange(w, "btRead", 1, 32);
    QVERIFY(w.waitIdle());
    // The read's box follows its link error; the save after it meets the closed line.
    QCOMPARE(w.answerer.messages(),
             (QStringList{"Ошибка связи", "Чтение завершено", "Ошибка связи"}));
    QVERIFY(!w.isConnected());
    QCOMPARE(linkState(w), QString("Нет связи"));
}

void tst_LinkWorker::portHangUp_disconnectsOnceAndRestsTheThread_data()
{
    QTest::addColumn<bool>("reading");
    QTest::newRow("idle") << false;
    QTest::newRow("during a read") << true;
}

// The far end of the pty closing is what a pulled adapter looks like to the port.
void tst_LinkWorker::portHangUp_disconnectsOnceAndRestsTheThread()
{
    QFETCH(bool, reading);
    ConnectedWindow w(device(64, 9600));
    w.widget<QComboBox>("cComBaudrate")->setCurrentText("9600");
    QVERIFY(w.connect());
    if (reading) {
        const int before = w.simulator.requestCount();
        requestRange(w, "btRead", 1, 64);
        QTRY_VERIFY_WITH_TIMEOUT(w.simulator.requestCount() >= before + 5, 20000);
    }
    w.simulator.stop();
    QTRY_VERIFY_WITH_TIMEOUT(w.answerer.messages().contains("Ошибка связи"), 2000);
    QVERIFY(w.waitIdle());
    QCOMPARE(w.answerer.messages().count("Ошибка связи"), 1);
    QVERIFY(!w.isConnected());
    QCOMPARE(linkState(w), QString("Нет связи"));
    QVERIFY(!w.window->controller().mbLine.isOpen);
    const qint64 cpu = cpuMsInASecond();
    QVERIFY2(cpu < 200, qPrintable(QString::number(cpu)));
}

// The reply never ends; "Отключить" abandons it, and the read's failure does not reach the
// connection made after it.
void tst_LinkWorker::stopDuringEndlessReply_letsANewConnectionStartAtOnce()
{
    ConnectedWindow w(device(32));
    QVERIFY(w.connect());
    const int before = w.simulator.requestCount();
    w.simulator.setFault(Simulator::Fault::EndlessLine);
    requestRange(w, "btRead", 1, 32);
    QTRY_VERIFY_WITH_TIMEOUT(w.simulator.requestCount() > before, 5000);
    w.click("Stop");
    QElapsedTimer starting;
    starting.start();
    w.pressStart(w.simulator.portPath());
    const qint64 startMs = starting.elapsed();
    QVERIFY2(startMs < 100, qPrintable(QString::number(startMs)));
    w.simulator.setFault(Simulator::Fault::None);
    QVERIFY(w.waitIdle());
    QVERIFY(w.answerer.messages().isEmpty());
    QVERIFY(w.isConnected());
    QVERIFY(w.window->controller().mbLine.isOpen);
    QVERIFY(w.modbusAnswers());
}

void tst_LinkWorker::closingTheWindowDuringWork_stillWritesIni()
{
    ConnectedWindow w(device(64, 9600));
    w.widget<QComboBox>("cComBaudrate")->setCurrentText("9600");
    QVERIFY(w.connect());
    QFile::remove(INI_FILE_NAME);
    const int before = w.simulator.requestCount();
    requestRange(w, "btRead", 1, 64);
    QTRY_VERIFY_WITH_TIMEOUT(w.simulator.requestCount() >= before + 8, 20000);
    QElapsedTimer closing;
    closing.start();
    w.window.reset();
    QVERIFY(closing.elapsed() < 2000);
    QVERIFY(QFile::exists(INI_FILE_NAME));
    const int after = w.simulator.requestCount();
    QTest::qWait(300);
    QCOMPARE(w.simulator.requestCount(), after);
}

void tst_LinkWorker::statusLabel_followsTheConnection()
{
    ConnectedWindow w(device(32, 9600));
    w.widget<QComboBox>("cComBaudrate")->setCurrentText("9600");
    QCOMPARE(linkState(w), QString("Нет связи"));
    QVERIFY(w.connect());
    const QString connected = "Связь: " + w.simulator.portPath() + ", 9600, адрес 1, зав. № 123456";
    QCOMPARE(linkState(w), connected);
    requestRange(w, "btRead", 1, 32);
    QTRY_COMPARE_WITH_TIMEOUT(linkState(w), QString("Чтение каналов"), 10000);
    QVERIFY(w.waitIdle());
    QCOMPARE(linkState(w), connected);
    w.click("Stop");
    QCOMPARE(linkState(w), QString("Нет связи"));
}

void tst_LinkWorker::typedPort_isOfferedFirstAtTheNextStart()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    const QString port = w.simulator.portPath();
    w.window.reset();
    // "ini" keeps its layout; the name goes to a file beside it.
    QFile ini(INI_FILE_NAME);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(!ini.readAll().contains(port.toUtf8()));
    w.window = std::make_unique<MainWindow>();
    QCOMPARE(w.widget<QComboBox>("cComPort")->itemText(0), port);
    QCOMPARE(w.widget<QComboBox>("cComPort")->currentText(), port);
}

QTEST_MAIN(tst_LinkWorker)
#include "tst_linkworker.moc"
