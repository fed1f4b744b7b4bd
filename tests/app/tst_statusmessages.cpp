#include "device/devicetext.h"
#include "device/registermap.h"
#include "tests/support/connectedwindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTimeEdit>
#include <QtTest>

// Operations that end without a box say in the status bar what they did, and only once the
// controller has it.
class tst_StatusMessages : public QObject
{
    Q_OBJECT
private slots:
    void silentOperation_saysWhatItDid_data();
    void silentOperation_saysWhatItDid();
};

namespace {

enum class Operation {
    Cell,
    Save,
    Clock,
    DirectAccess,
    WriteChannel,
    SaveFile,
    LoadFile,
    Download
};

constexpr int DOWNLOADED_RECORDS = 40;

Simulator::Options device()
{
    Simulator::Options options;
    options.generatedRecords = DOWNLOADED_RECORDS;
    return options;
}

QString downloadFolder(const ConnectedWindow &w)
{
    const QDir root(w.home.path() + "/Documents/TQ-17");
    const QStringList folders = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return folders.size() == 1 ? root.filePath(folders.first()) + "/" : QString();
}

} // namespace

Q_DECLARE_METATYPE(Operation)

void tst_StatusMessages::silentOperation_saysWhatItDid_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QString>("message"); // FOLDER: the download folder
    QTest::newRow("cell") << Operation::Cell << "Канал 10, Задерж.: не прочитано → 17 записано";
    QTest::newRow("save in controller") << Operation::Save << "Настройки сохранены в контроллере";
    QTest::newRow("clock") << Operation::Clock << "Часы установлены: 05.02.2027 03:04:06";
    QTest::newRow("direct access")
        << Operation::DirectAccess << "Прямой доступ: команда отправлена";
    QTest::newRow("write to channel")
        << Operation::WriteChannel << "Команда записи в канал отправлена";
    QTest::newRow("settings file saved")
        << Operation::SaveFile << "Настройки сохранены в файл setting.bin";
    QTest::newRow("settings file loaded")
        << Operation::LoadFile << "Настройки загружены из файла setting.bin";
    QTest::newRow("archive downloaded")
        << Operation::Download
        << QStringLiteral("Архив загружен: FOLDER, записей: %1").arg(DOWNLOADED_RECORDS);
}

void tst_StatusMessages::silentOperation_saysWhatItDid()
{
    QFETCH(Operation, operation);
    QFETCH(QString, message);
    ConnectedWindow w(device());
    QVERIFY(w.connect());
    w.simulator.clearLogs();
    const QString settingsFile = w.home.path() + "/setting.bin";
    switch (operation) {
    case Operation::Cell: {
        QAbstractItemModel *model = w.widget<QTableView>("tvChannelsCfg")->model();
        model->setData(model->index(9, 21), "17", Qt::EditRole);
        QVERIFY(w.waitIdle());
        QCOMPARE(w.simulator.holdingRegister(channelBlock(9) + CH_DELAY), quint16(17));
        break;
    }
    case Operation::Save:
    case Operation::DirectAccess:
    case Operation::WriteChannel: {
        const QMap<Operation, QPair<const char *, int>> commands = {
            {Operation::Save, {"btSave", CMD_SAVE_SETTINGS}},
            {Operation::DirectAccess, {"DirectMode", CMD_DIRECT_ACCESS}},
            {Operation::WriteChannel, {"btWriteChan", CMD_WRITE_CHANNEL}}};
        w.click(commands[operation].first);
        w.tick();
        QCOMPARE(w.simulator.commandLog(), QVector<int>{commands[operation].second});
        break;
    }
    case Operation::Clock: {
        w.widget<QDateEdit>("dateSet")->setDate(QDate(2027, 2, 5));
        w.widget<QTimeEdit>("timeSet")->setTime(QTime(3, 4, 6));
        w.click("DateTimeWrite");
        w.tick();
        const quint32 held = w.simulator.holdingRegister(1) | w.simulator.holdingRegister(2) << 16;
        QVERIFY(held - DeviceText::clockSeconds(QDate(2027, 2, 5), QTime(3, 4, 6)) <= 2);
        break;
    }
    case Operation::SaveFile:
        w.answerer.queueFileName(settingsFile);
        w.click("btExport");
        QVERIFY(QFile::exists(settingsFile));
        break;
    case Operation::LoadFile:
        w.answerer.queueFileName(settingsFile);
        w.click("btExport");
        w.window->statusBar()->clearMessage();
        w.answerer.queueFileName(settingsFile);
        w.click("btImport");
        break;
    case Operation::Download:
        w.widget<QComboBox>("cbArcChannel")->setCurrentIndex(1);
        w.click("pbArcLoad");
        w.tick();
        message.replace("FOLDER", downloadFolder(w));
        QVERIFY(QFile::exists(downloadFolder(w) + "chan01.arh"));
        break;
    }
    QCOMPARE(w.answerer.messages(), QStringList());
    QCOMPARE(w.window->statusBar()->currentMessage(), message);
}

QTEST_MAIN(tst_StatusMessages)
#include "tst_statusmessages.moc"
