#include "app/inifile.h"
#include "app/screenfit.h"
#include "device/qttexts.h"
#include "tests/support/connectedwindow.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QDateEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimeEdit>
#include <QtTest>

// The window as met on a field laptop: a small screen, a system in another language, first
// dialogs, a fresh connection. The test runs in the C locale.
class tst_FieldDay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void qtTexts_areRussian_data();
    void qtTexts_areRussian();
    void smallWindow_reachesEveryControl();
    void fitToScreen_keepsTheWindowOnTheScreen_data();
    void fitToScreen_keepsTheWindowOnTheScreen();
    void settingsDialogs_startWhereTheFilesAre();
    void connecting_showsTheControllersClock();
};

namespace {

bool isControl(QWidget *widget)
{
    return qobject_cast<QAbstractButton *>(widget) || qobject_cast<QComboBox *>(widget) ||
           qobject_cast<QAbstractSpinBox *>(widget) || qobject_cast<QProgressBar *>(widget);
}

// Brings the control into view as a user would with the scroll bars; false when it still is not
// wholly inside the part of the window that shows it.
bool reachable(QMainWindow &window, QWidget *control)
{
    QRect shown = window.rect();
    for (QWidget *parent = control->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *scrollArea = qobject_cast<QScrollArea *>(parent)) {
            // The whole control, where ensureWidgetVisible() settles for an edit's cursor.
            const QPoint centre = control->mapTo(scrollArea->widget(), control->rect().center());
            scrollArea->ensureVisible(centre.x(), centre.y(), control->width() / 2 + 1,
                                      control->height() / 2 + 1);
            const QWidget *viewport = scrollArea->viewport();
            shown = QRect(viewport->mapTo(&window, QPoint()), viewport->size());
            break;
        }
    }
    return shown.contains(QRect(control->mapTo(&window, QPoint()), control->size()));
}

} // namespace

void tst_FieldDay::initTestCase()
{
    QVERIFY(installQtRussianTexts());
}

void tst_FieldDay::qtTexts_areRussian_data()
{
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("message box button") << QByteArray("QPlatformTheme") << QByteArray("Cancel");
    QTest::newRow("dialog button") << QByteArray("QPlatformTheme") << QByteArray("Save");
    QTest::newRow("context menu") << QByteArray("QLineEdit") << QByteArray("&Copy");
    QTest::newRow("file dialog") << QByteArray("QFileDialog") << QByteArray("File &name:");
}

void tst_FieldDay::qtTexts_areRussian()
{
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, text);
    const QString shown = QCoreApplication::translate(context.constData(), text.constData());
    QVERIFY2(shown.contains(QRegularExpression(QStringLiteral("\\p{Cyrillic}"))),
             qPrintable(shown));
}

void tst_FieldDay::smallWindow_reachesEveryControl()
{
    TestHome home;
    QTemporaryDir dir;
    const QString previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    MainWindow window;
    QVERIFY(window.minimumSizeHint().width() <= 1024);
    QVERIFY(window.minimumSizeHint().height() <= 700);
    window.resize(1024, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(1024, 700));
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    int checked = 0;
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        for (QWidget *control : window.findChildren<QWidget *>()) {
            if (!control->isVisible() || !isControl(control))
                continue;
            QVERIFY2(reachable(window, control),
                     qPrintable(tabs->tabText(tab) + QLatin1Char(' ') + control->objectName()));
            ++checked;
        }
    }
    QVERIFY(checked > 40);
    QDir::setCurrent(previousDir);
}

void tst_FieldDay::fitToScreen_keepsTheWindowOnTheScreen_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("kept");
    QTest::newRow("the form's size") << QSize(1237, 984) << false;
    QTest::newRow("a small window") << QSize(500, 400) << true;
}

void tst_FieldDay::fitToScreen_keepsTheWindowOnTheScreen()
{
    QFETCH(QSize, size);
    QFETCH(bool, kept);
    QWidget window;
    window.resize(size);
    const QRect available = window.screen()->availableGeometry();
    QCOMPARE(available.contains(QRect(available.topLeft(), size)), kept);
    fitToScreen(window);
    QVERIFY(available.contains(window.frameGeometry()));
    QCOMPARE(window.size() == size, kept);
}

// First the archives' folder in the documents; then the folder of the last settings file,
// whichever dialog chose it. A name typed without a suffix is a settings file.
void tst_FieldDay::settingsDialogs_startWhereTheFilesAre()
{
    TestHome home;
    QTemporaryDir dir;
    const QString previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    settingsDir.clear();
    const QString archives =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/TQ-17";
    const QString other = home.path() + "/other";
    QVERIFY(QDir().mkpath(archives));
    QVERIFY(QDir().mkpath(other));
    MainWindow window;
    ModalAnswerer answerer;
    auto click = [&window](const char *name) {
        window.findChild<QPushButton *>(QString::fromLatin1(name))->click();
    };

    answerer.queueFileName("mine");
    click("btExport");
    QCOMPARE(answerer.proposedFile(), archives + "/setting.bin");
    QVERIFY(QFile::exists(archives + "/mine.bin"));

    QVERIFY(QFile::copy(archives + "/mine.bin", other + "/theirs.bin"));
    answerer.queueFileName(other + "/theirs.bin");
    click("btImport");
    QCOMPARE(answerer.proposedFolder(), archives);
    QVERIFY(answerer.messages().isEmpty());

    answerer.queueFileName(QString());
    click("btExport");
    QCOMPARE(answerer.proposedFile(), other + "/setting.bin");
    QCOMPARE(answerer.dialogTitles().size(), 3);
    QDir::setCurrent(previousDir);
}

void tst_FieldDay::connecting_showsTheControllersClock()
{
    ConnectedWindow w;
    const quint32 clock = 1704164645u; // 2024-01-02 03:04:05 counted as UTC
    w.simulator.setHoldingRegister(1, quint16(clock & 0xFFFF));
    w.simulator.setHoldingRegister(2, quint16(clock >> 16));
    QVERIFY(w.connect());
    QCOMPARE(w.widget<QDateEdit>("dateSet")->date(), QDate(2024, 1, 2));
    QVERIFY(qAbs(w.widget<QTimeEdit>("timeSet")->time().secsTo(QTime(3, 4, 5))) <= 2);
}

QTEST_MAIN(tst_FieldDay)
#include "tst_fieldday.moc"
