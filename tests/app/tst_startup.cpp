#include "app/inifile.h"
#include "app/mainwindow.h"
#include "tests/support/testhome.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTableView>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtEndian>
#include <QtTest>
#include <memory>
#include <sys/stat.h>

namespace {

constexpr int HEAD_SIZE = 236;
constexpr int RESERVED_OFFSET = 176;

QByteArray readIni()
{
    QFile file(QStringLiteral("ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeIni(const QByteArray &bytes)
{
    QFile file(QStringLiteral("ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

qint32 intAt(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

QByteArray headWith(std::initializer_list<std::pair<int, qint32>> fields)
{
    QByteArray head(HEAD_SIZE, '\0');
    for (int i = 24; i < 204; ++i)
        head[i] = 1;
    for (const auto &field : fields)
        qToLittleEndian<qint32>(field.second, head.data() + field.first);
    return head;
}

template <typename T> T *widget(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStart_showsDefaultsAndWritesIni();
    void savedIni_restoresWidgetState();
    void savedIni_keepsReservedIntsAndTextLines();
    void fastLink_isRememberedBesideIni_data();
    void fastLink_isRememberedBesideIni();
    void outOfRangeIndexes_leaveNoSelection();
    void malformedIni_neverCrashes_data();
    void malformedIni_neverCrashes();
    void iniThatIsNoFile_isNeitherReadNorReplaced_data();
    void iniThatIsNoFile_isNeitherReadNorReplaced();
    void window_hasTitleTabsAndFixedLists();
    void slots_followMetaObjectOrder();
    void everyButton_reachesSlotOfItsName();

private:
    std::unique_ptr<TestHome> home;
    std::unique_ptr<QTemporaryDir> dir;
    QString previousDir;
};

void tst_Startup::init()
{
    home = std::make_unique<TestHome>();
    dir = std::make_unique<QTemporaryDir>();
    previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir->path()));
}

void tst_Startup::cleanup()
{
    QDir::setCurrent(previousDir);
    dir.reset();
    home.reset();
}

void tst_Startup::firstStart_showsDefaultsAndWritesIni()
{
    {
        MainWindow window;
        QCOMPARE(widget<QComboBox>(window, "cTypeDev")->currentText(), QString("TQ-17 32K"));
        QCOMPARE(widget<QComboBox>(window, "cComBaudrate")->currentText(), QString("1200"));
        QCOMPARE(widget<QSpinBox>(window, "sbMB_Adr")->value(), 0);
        QCOMPARE(widget<QSpinBox>(window, "sbBeginChan")->value(), 1);
        QCOMPARE(widget<QSpinBox>(window, "sbEndChan")->value(), 1);
        auto *list = widget<QListWidget>(window, "lwSelect");
        QCOMPARE(list->count(), 38);
        for (int i = 0; i < list->count(); ++i)
            QCOMPARE(list->item(i)->checkState(), Qt::Checked);
        QVERIFY(!QFile::exists("ini"));
    }
    const QByteArray ini = readIni();
    QCOMPARE(ini.size(), HEAD_SIZE + 8);
    QCOMPARE(ini.mid(HEAD_SIZE), QByteArray("\r\n\r\n\r\n\r\n"));
    for (int i = 0; i < 7; ++i)
        QCOMPARE(intAt(ini, RESERVED_OFFSET + 4 * i), 0x01010101);
    for (int i = 0; i < 38; ++i)
        QCOMPARE(intAt(ini, 24 + 4 * i), 2);
}

void tst_Startup::savedIni_restoresWidgetState()
{
    {
        MainWindow window;
        widget<QComboBox>(window, "cTypeDev")->setCurrentIndex(1);
        widget<QComboBox>(window, "cComBaudrate")->setCurrentIndex(7);
        widget<QSpinBox>(window, "sbMB_Adr")->setValue(247);
        widget<QSpinBox>(window, "sbBeginChan")->setValue(3);
        widget<QSpinBox>(window, "sbEndChan")->setValue(17);
        widget<QDateEdit>(window, "dateEdit")->setDate(QDate(2024, 5, 17));
        widget<QTimeEdit>(window, "timeEdit")->setTime(QTime(13, 45, 9));
    }
    MainWindow window;
    QCOMPARE(widget<QComboBox>(window, "cTypeDev")->currentIndex(), 1);
    QCOMPARE(widget<QComboBox>(window, "cComBaudrate")->currentText(), QString("115200"));
    QCOMPARE(widget<QSpinBox>(window, "sbMB_Adr")->value(), 247);
    QCOMPARE(widget<QSpinBox>(window, "sbBeginChan")->value(), 3);
    QCOMPARE(widget<QSpinBox>(window, "sbEndChan")->value(), 17);
    QCOMPARE(widget<QDateEdit>(window, "dateEdit")->date(), QDate(2024, 5, 17));
    QCOMPARE(widget<QTimeEdit>(window, "timeEdit")->time(), QTime(13, 45, 9));
}

void tst_Startup::fastLink_isRememberedBesideIni_data()
{
    QTest::addColumn<bool>("checked");
    QTest::newRow("checked") << true;
    QTest::newRow("unchecked") << false;
}

// "ini" keeps its layout: the box changes nothing in it.
void tst_Startup::fastLink_isRememberedBesideIni()
{
    QFETCH(bool, checked);
    {
        MainWindow window;
        QVERIFY(!widget<QCheckBox>(window, "cbFastLink")->isChecked());
    }
    const QByteArray ini = readIni();
    for (int restart = 0; restart < 2; ++restart) {
        MainWindow window;
        QCOMPARE(widget<QCheckBox>(window, "cbFastLink")->isChecked(), checked && restart > 0);
        widget<QCheckBox>(window, "cbFastLink")->setChecked(checked);
    }
    QCOMPARE(readIni(), ini);
    MainWindow window;
    QCOMPARE(widget<QCheckBox>(window, "cbFastLink")->isChecked(), checked);
}

void tst_Startup::savedIni_keepsReservedIntsAndTextLines()
{
    QByteArray head = headWith({{176, 0x11223344}, {200, -7}, {24 + 4 * 5, 0}});
    writeIni(head + " /settings/dir \r\n  spare line  \r\n/exports\r\n/exports/a.xlsx\r\n");
    {
        MainWindow window;
        QCOMPARE(settingsDir, QString("/settings/dir"));
        QCOMPARE(spareLine, QString("spare line"));
        auto *list = widget<QListWidget>(window, "lwSelect");
        QCOMPARE(list->item(5)->checkState(), Qt::Unchecked);
        QVERIFY(widget<QTableView>(window, "tvChannelsCfg")->isColumnHidden(5));
        QVERIFY(!widget<QTableView>(window, "tvChannelsCfg")->isColumnHidden(4));
    }
    const QByteArray ini = readIni();
    QCOMPARE(intAt(ini, 176), 0x11223344);
    QCOMPARE(intAt(ini, 200), -7);
    QCOMPARE(intAt(ini, 24 + 4 * 5), 0);
    // The export file name keeps the line end it was read with.
    QCOMPARE(ini.mid(HEAD_SIZE),
             QByteArray("/settings/dir\r\nspare line\r\n/exports\r\n/exports/a.xlsx\r\n\r\n"));
}

void tst_Startup::outOfRangeIndexes_leaveNoSelection()
{
    writeIni(headWith({{4, 99}, {8, 42}, {0, 5}, {12, 300}, {16, -4}, {208, 12}}));
    MainWindow window;
    QCOMPARE(widget<QComboBox>(window, "cComBaudrate")->currentIndex(), -1);
    QCOMPARE(widget<QComboBox>(window, "cComPort")->currentText(), QString());
    QCOMPARE(widget<QSpinBox>(window, "sbMB_Adr")->value(), 255);
    QCOMPARE(widget<QSpinBox>(window, "sbBeginChan")->value(), 1);
    QCOMPARE(widget<QComboBox>(window, "cbArcDisk")->currentIndex(), -1);
}

void tst_Startup::malformedIni_neverCrashes_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("expectedAddress");
    QByteArray random(1 << 20, '\0');
    QRandomGenerator generator(17);
    for (char &byte : random)
        byte = char(generator.bounded(256));
    qToLittleEndian<qint32>(9, random.data() + 12);
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("short head") << headWith({{12, 77}}).left(16) << 77;
    QTest::newRow("head only") << headWith({{12, 5}}) << 5;
    static const char oddLines[] = "a\0b\r\n\xff\xfe\xc3\r\n\0\0\0\n\xe2\x82";
    QTest::newRow("NUL and invalid UTF-8 lines")
        << headWith({{12, 6}}) + QByteArray(oddLines, sizeof(oddLines) - 1) << 6;
    QTest::newRow("a megabyte of noise") << random << 9;
}

void tst_Startup::malformedIni_neverCrashes()
{
    QFETCH(QByteArray, content);
    QFETCH(int, expectedAddress);
    writeIni(content);
    {
        MainWindow window;
        QCOMPARE(widget<QSpinBox>(window, "sbMB_Adr")->value(), qBound(0, expectedAddress, 255));
    }
    QVERIFY(readIni().size() >= HEAD_SIZE + 8);
}

void tst_Startup::iniThatIsNoFile_isNeitherReadNorReplaced_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    for (const QString name : {"ini", "ini.port"}) {
        for (const QString kind : {"pipe", "link to /dev/zero"})
            QTest::addRow("%s: %s", qPrintable(name), qPrintable(kind)) << name << kind;
    }
}

// A pipe with no writer would hold up the start for good, and /dev/zero never ends; the window
// starts with its defaults and leaves the name as it found it.
void tst_Startup::iniThatIsNoFile_isNeitherReadNorReplaced()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    if (kind == "pipe")
        QCOMPARE(mkfifo(qPrintable(name), 0600), 0);
    else
        QVERIFY(QFile::link("/dev/zero", name));
    {
        MainWindow window;
        QCOMPARE(widget<QSpinBox>(window, "sbMB_Adr")->value(), 0);
    }
    if (kind == "pipe") {
        struct stat status {};
        QCOMPARE(lstat(qPrintable(name), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
    } else {
        QCOMPARE(QFileInfo(name).symLinkTarget(), QString("/dev/zero"));
    }
}

void tst_Startup::window_hasTitleTabsAndFixedLists()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QString("Конфигуратор TQ-17 v0.26"));
    QCOMPARE(window.size(), QSize(1237, 984));
    auto *tabs = widget<QTabWidget>(window, "tabWidget");
    QCOMPARE(tabs->currentIndex(), 1);
    const QStringList tabTexts = {"Параметры", "Каналы", "Архив", "Настройки"};
    for (int i = 0; i < tabTexts.size(); ++i)
        QCOMPARE(tabs->tabText(i), tabTexts.at(i));
    QCOMPARE(tabs->tabText(tabs->indexOf(widget<QWidget>(window, "tabChart"))), QString("График"));
    QCOMPARE(tabs->tabText(tabs->indexOf(widget<QWidget>(window, "tabJournal"))), QString("Журнал"));
    auto *versions = widget<QComboBox>(window, "HW_Ver");
    QCOMPARE(versions->count(), 2);
    QCOMPARE(versions->itemText(0), QString("v.01.01"));
    QCOMPARE(versions->itemText(1), QString("v.01.02"));
    QCOMPARE(widget<QComboBox>(window, "cComBaudrate")->count(), 8);
    auto *list = widget<QListWidget>(window, "lwSelect");
    QCOMPARE(list->item(6)->text(), QString("Концентрация."));
    QCOMPARE(list->item(20)->text(), QString("Гистерезис"));
    QCOMPARE(list->item(32)->text(), QString("Ток  авар."));
    QVERIFY(!widget<QWidget>(window, "Stop")->isEnabled());
    QVERIFY(widget<QWidget>(window, "Start")->isEnabled());
    QVERIFY(!widget<QWidget>(window, "btRead")->isEnabled());
    QVERIFY(widget<QWidget>(window, "btExport")->isEnabled());
}

void tst_Startup::slots_followMetaObjectOrder()
{
    const QStringList expected = {"Timer",
                                  "on_Scan_clicked",
                                  "on_Exit_clicked",
                                  "on_Start_clicked",
                                  "on_btFind_clicked",
                                  "on_Stop_clicked",
                                  "on_SerialNumSet_clicked",
                                  "on_DateTimeRead_clicked",
                                  "on_DateTimeWrite_clicked",
                                  "on_DateTimeSync_clicked",
                                  "on_btRead_clicked",
                                  "on_btSave_clicked",
                                  "on_btExport_clicked",
                                  "dataChangedSlot",
                                  "on_btImport_clicked",
                                  "on_btReport_clicked",
                                  "on_btWrite_clicked",
                                  "on_btCompare_clicked",
                                  "on_btSelectSet_clicked",
                                  "on_pbArcImport_clicked",
                                  "on_pbArcScanDisks_clicked",
                                  "on_pbArcScanDirs_clicked",
                                  "on_pbFindEvent_clicked",
                                  "on_pbArcLoad_clicked",
                                  "on_pbArcExport_clicked",
                                  "on_btWriteChan_clicked",
                                  "on_HW_VerSet_clicked",
                                  "on_DirectMode_clicked",
                                  "on_btCancel_clicked",
                                  "on_pbArcLoadAll_clicked",
                                  "linkBusy"};
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(meta.methodCount() - meta.methodOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(QString(meta.method(meta.methodOffset() + i).name()), expected.at(i));
}

// Disconnecting succeeds exactly when connect-by-name made the binding. A button belongs to the
// nearest enclosing widget of the tool's own classes: the window, or a page made in code.
void tst_Startup::everyButton_reachesSlotOfItsName()
{
    MainWindow window;
    const QList<QPushButton *> buttons = window.findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        QObject *owner = button->parent();
        while (owner != &window && owner->metaObject()->className()[0] == 'Q')
            owner = owner->parent();
        const QByteArray slot = "1on_" + button->objectName().toLatin1() + "_clicked()";
        QVERIFY2(QObject::disconnect(button, SIGNAL(clicked(bool)), owner, slot.constData()),
                 qPrintable(button->objectName()));
    }
    QCOMPARE(buttons.size(), 32);
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
