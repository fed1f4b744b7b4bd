#include "app/inifile.h"
#include "app/mainwindow.h"
#include "device/channelrecord.h"
#include "tests/support/modalanswerer.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <memory>

namespace {

QByteArray recordsImage()
{
    return QByteArray(reinterpret_cast<const char *>(channelRecords), sizeof(channelRecords));
}

QByteArray fileContent(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &name, const QByteArray &content)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray noise(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

} // namespace

class tst_SettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveAfterStart_holdsDefaultModuleTypes_data();
    void saveAfterStart_holdsDefaultModuleTypes();
    void saveAndLoad_restoreEveryByte();
    void file64K_loadedOn32K_redraws32RowsAndKeeps64Records();
    void wrongSizes_areRefusedAndChangeNothing_data();
    void wrongSizes_areRefusedAndChangeNothing();
    void cancelledDialogs_changeNothing();
    void unwritableTarget_isReportedByName();

private:
    void click(const char *button);
    QStandardItemModel *model() const;
    QStringList shownTexts() const;

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ModalAnswerer> answerer;
    QString previousDir;
};

void tst_SettingsFile::init()
{
    dir = std::make_unique<QTemporaryDir>();
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir->path());
    memset(channelRecords, 0, sizeof(channelRecords)); // as at program start
    settingsDir.clear();
    window = std::make_unique<MainWindow>();
    answerer = std::make_unique<ModalAnswerer>();
}

void tst_SettingsFile::cleanup()
{
    answerer.reset();
    window.reset();
    QDir::setCurrent(previousDir);
    dir.reset();
}

void tst_SettingsFile::click(const char *button)
{
    window->findChild<QPushButton *>(QString::fromLatin1(button))->click();
}

QStandardItemModel *tst_SettingsFile::model() const
{
    return qobject_cast<QStandardItemModel *>(
        window->findChild<QTableView *>("tvChannelsCfg")->model());
}

// Every cell of the channel table as shown.
QStringList tst_SettingsFile::shownTexts() const
{
    QStringList texts;
    for (int row = 0; row < model()->rowCount(); ++row)
        for (int column = 0; column < model()->columnCount(); ++column)
            texts << model()->index(row, column).data().toString();
    return texts;
}

void tst_SettingsFile::saveAfterStart_holdsDefaultModuleTypes_data()
{
    QTest::addColumn<int>("deviceType");
    QTest::newRow("TQ-17 32K") << 0;
    QTest::newRow("TQ-17 64K") << 1;
}

void tst_SettingsFile::saveAfterStart_holdsDefaultModuleTypes()
{
    QFETCH(int, deviceType);
    if (deviceType == 1) {
        window->findChild<QComboBox *>("cTypeDev")->setCurrentIndex(1);
        window.reset(); // the device type takes effect at the next start
        memset(channelRecords, 0, sizeof(channelRecords));
        window = std::make_unique<MainWindow>();
    }
    const QString name = dir->filePath("setting.bin");
    answerer->queueFileName(name);
    click("btExport");
    QCOMPARE(answerer->dialogTitles(), QStringList{"Файл настроек"});
    QCOMPARE(settingsDir, dir->path());
    const QByteArray saved = fileContent(name);
    QCOMPARE(saved.size(), 65536);
    QByteArray expected(65536, '\0');
    for (int c = 0; c < 64; ++c) {
        const int type = deviceType == 1 ? 4 : (c < 8 ? 1 : 0);
        expected[1024 * c + 6] = char(type);
    }
    QCOMPARE(saved, expected);
}

void tst_SettingsFile::saveAndLoad_restoreEveryByte()
{
    const QByteArray image = noise(65536, 5);
    memcpy(channelRecords, image.constData(), sizeof(channelRecords));
    const QString name = dir->filePath("copy.bin");
    answerer->queueFileName(name);
    click("btExport");
    QCOMPARE(fileContent(name), image);
    memset(channelRecords, 0, sizeof(channelRecords));
    answerer->queueFileName(name);
    click("btImport");
    // Redrawing a row clears its edited mark; every other byte comes back.
    QByteArray expected = image;
    for (int c = 0; c < 32; ++c)
        expected[1024 * c] = 0;
    QCOMPARE(recordsImage(), expected);
}

void tst_SettingsFile::file64K_loadedOn32K_redraws32RowsAndKeeps64Records()
{
    QByteArray image;
    for (int c = 0; c < 64; ++c) {
        ChannelRecord record = {};
        record.active = 1;
        record.enabled = 1;
        record.moduleType = 4;
        record.rangeMax = 100 + c;
        image.append(reinterpret_cast<const char *>(&record), sizeof(record));
    }
    const QString name = dir->filePath("big.bin");
    writeFile(name, image);
    answerer->queueFileName(name);
    click("btImport");
    QCOMPARE(model()->rowCount(), 32);
    QCOMPARE(model()->index(31, 13).data().toString(), QString("131"));
    QCOMPARE(model()->index(31, 0).data(Qt::ForegroundRole).value<QBrush>().color(),
             QColor(Qt::black));
    const QString copy = dir->filePath("back.bin");
    answerer->queueFileName(copy);
    click("btExport");
    QCOMPARE(fileContent(copy), image);
}

void tst_SettingsFile::wrongSizes_areRefusedAndChangeNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("device"); // read instead of a file of the content
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("100 bytes") << noise(100, 3) << QString();
    QTest::newRow("one and a half records") << noise(1536, 7) << QString();
    QTest::newRow("a byte short") << noise(65535, 11) << QString();
    QTest::newRow("a byte over") << noise(65537, 13) << QString();
    QTest::newRow("three images") << noise(196608, 17) << QString();
    QTest::newRow("endless zeros") << QByteArray() << "/dev/zero";
}

// After an import that drew the table, a file that is not a settings image changes neither the
// records nor the table.
void tst_SettingsFile::wrongSizes_areRefusedAndChangeNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, device);
    const QString good = dir->filePath("good.bin");
    writeFile(good, noise(65536, 19));
    answerer->queueFileName(good);
    click("btImport");
    const QByteArray records = recordsImage();
    const QStringList shown = shownTexts();

    QString name = device;
    if (name.isEmpty()) {
        name = dir->filePath("odd.bin");
        writeFile(name, content);
    }
    answerer->queueFileName(name);
    click("btImport");

    QCOMPARE(answerer->messages(), QStringList{"Неверный размер файла настроек " + name});
    QCOMPARE(recordsImage(), records);
    QCOMPARE(shownTexts(), shown);
}

void tst_SettingsFile::cancelledDialogs_changeNothing()
{
    settingsDir = QStringLiteral("/somewhere");
    const QByteArray before = recordsImage();
    click("btExport");
    click("btImport");
    QCOMPARE(answerer->dialogTitles(), (QStringList{"Файл настроек", "Файл настроек"}));
    QVERIFY(answerer->messages().isEmpty());
    QCOMPARE(settingsDir, QString("/somewhere"));
    QCOMPARE(recordsImage(), before);
}

void tst_SettingsFile::unwritableTarget_isReportedByName()
{
    const QString name = dir->filePath("missing-folder/setting.bin");
    answerer->queueFileName(name);
    click("btExport");
    QCOMPARE(answerer->messages().last(), "Ошибка открытия файла " + name);
}

QTEST_MAIN(tst_SettingsFile)
#include "tst_settingsfile.moc"
