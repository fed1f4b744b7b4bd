#include "device/registermap.h"
#include "journal/journal.h"
#include "tests/support/connectedwindow.h"
#include "tests/support/testhome.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QLabel>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>
#include <csignal>
#include <unistd.h>

namespace {

const char KILL_MODE[] = "--edit-then-die";

void editCell(ConnectedWindow &w, int channel, int column, const QString &text)
{
    QAbstractItemModel *model = w.widget<QTableView>("tvChannelsCfg")->model();
    model->setData(model->index(channel, column), text, Qt::EditRole);
    QVERIFY(w.waitIdle());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

JournalEntry entry(const QString &factory, const QDateTime &time, const QString &field)
{
    JournalEntry e;
    e.time = time;
    e.port = "/dev/ttyS0";
    e.address = 3;
    e.factoryNumber = factory;
    e.channel = "5";
    e.field = field;
    e.before = "1.0";
    e.after = "2.0";
    e.result = "OK";
    return e;
}

QStringList tableRows(const ConnectedWindow &w)
{
    const QAbstractItemModel *model = w.widget<QTableView>("tvJournal")->model();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        rows << cells.join('|');
    }
    return rows;
}

// The window of a child process: it edits a cell, says where its home and journal are, and is
// killed.
int editThenDie()
{
    ConnectedWindow w;
    if (!w.connect())
        return 1;
    editCell(w, 9, 21, "17");
    QTextStream(stdout) << w.home.path() << '\n' << Journal::defaultPath() << Qt::endl;
    ::kill(::getpid(), SIGKILL);
    return 1;
}

} // namespace

class tst_Journal : public QObject
{
    Q_OBJECT

private slots:
    void entries_surviveKillingTheToolRightAfterAWrite();
    void fileThatIsNotADatabase_isReportedOnceAndLeftAlone();
    void tab_filtersNewestFirstAndExports();
    void busyFile_keepsEntriesInOrderUntilItFrees_data();
    void busyFile_keepsEntriesInOrderUntilItFrees();
    void busyFile_windowSaysSoAndWritesAtTheNextTick();
};

void tst_Journal::entries_surviveKillingTheToolRightAfterAWrite()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {KILL_MODE});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    const QStringList paths = QString::fromLocal8Bit(child.readAllStandardOutput()).split('\n');
    QCOMPARE(paths.size(), 3);
    const QString path = paths.at(1);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    const QVector<JournalEntry> found = Journal(path).entries({});
    QDir(paths.at(0)).removeRecursively(); // the killed child left its home behind
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().channel, QString("10"));
    QCOMPARE(found.first().field, QString("Задерж."));
    QCOMPARE(found.first().after, QString("17"));
    QCOMPARE(found.first().result, QString("OK"));
}

// The writes go on; the engineer is told once; the file keeps its bytes.
void tst_Journal::fileThatIsNotADatabase_isReportedOnceAndLeftAlone()
{
    ConnectedWindow w;
    const QString path = Journal::defaultPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const QByteArray notes = QByteArray("notes of the last visit\n").repeated(300);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(notes);
    }
    QVERIFY(w.connect());
    editCell(w, 9, 21, "17");
    editCell(w, 9, 20, "3");
    QCOMPARE(w.simulator.holdingRegister(channelBlock(9) + CH_DELAY), quint16(17));
    QCOMPARE(w.answerer.messages().size(), 1);
    QVERIFY2(w.answerer.messages().first().startsWith("Журнал изменений не записан: "),
             qPrintable(w.answerer.messages().first()));
    QVERIFY(w.isConnected());
    QCOMPARE(readFile(path), notes);
}

void tst_Journal::tab_filtersNewestFirstAndExports()
{
    ConnectedWindow w;
    const QDateTime day(QDate(2026, 3, 10), QTime(9, 30));
    // Written where the clock is 14 hours ahead of UTC; shown in this computer's time.
    const QDateTime abroad(day.date().addDays(2), day.time(), Qt::OffsetFromUTC, 14 * 3600);
    {
        Journal journal;
        QVERIFY(journal.add(entry("111", day, "Порог1")));
        QVERIFY(journal.add(entry("222", day.addDays(1), "Порог2")));
        QVERIFY(journal.add(entry("111", abroad, "Тэг")));
    }
    auto *tabs = w.widget<QTabWidget>("tabWidget");
    tabs->setCurrentWidget(w.widget<QWidget>("tabJournal"));
    const QStringList all = tableRows(w);
    QCOMPARE(all.size(), 3);
    QVERIFY(all.at(0).contains("|Тэг|") && all.at(2).contains("|Порог1|"));
    QVERIFY2(all.at(0).startsWith(abroad.toLocalTime().toString("dd.MM.yyyy HH:mm:ss|")),
             qPrintable(all.at(0)));

    w.widget<QLineEdit>("leJournalFactory")->setText("111");
    QCOMPARE(tableRows(w), QStringList({all.at(0), all.at(2)}));
    w.widget<QDateEdit>("deJournalFrom")->setDate(day.date());
    w.widget<QDateEdit>("deJournalTo")->setDate(day.date().addDays(1));
    w.widget<QCheckBox>("cbJournalPeriod")->setChecked(true);
    QCOMPARE(tableRows(w), QStringList{all.at(2)});
    w.widget<QLineEdit>("leJournalFactory")->clear();
    QCOMPARE(tableRows(w), QStringList({all.at(1), all.at(2)}));

    const QString target = w.home.path() + "/journal.xlsx";
    w.answerer.queueFileName(target);
    w.click("pbJournalExport");
    QCOMPARE(w.answerer.messages(), QStringList{"Запись завершена"});
    QProcess reader;
    reader.start(WORKBOOK_PYTHON,
                 {"-c",
                  "import openpyxl, sys\n"
                  "sheet = openpyxl.load_workbook(sys.argv[1]).active\n"
                  "print(sheet.title)\n"
                  "for row in sheet.iter_rows(values_only=True):\n"
                  "    print('|'.join('' if v is None else str(v) for v in row))\n",
                  target});
    QVERIFY(reader.waitForFinished(30000));
    const QStringList lines =
        QString::fromUtf8(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QString("Журнал"));
    QCOMPARE(lines.mid(2), QStringList({all.at(1), all.at(2)}));
    QVERIFY(lines.value(1).startsWith("Время|Порт|Адрес|Зав. №|Канал|Поле|Было|Стало|Результат"));
}

void tst_Journal::busyFile_keepsEntriesInOrderUntilItFrees_data()
{
    QTest::addColumn<QString>("freedBy");
    QTest::newRow("the next entry") << "add";
    QTest::newRow("a retry") << "flush";
    QTest::newRow("closing") << "close";
}

// Another program's open write transaction holds the file; the link must not wait on it.
void tst_Journal::busyFile_keepsEntriesInOrderUntilItFrees()
{
    QFETCH(QString, freedBy);
    QTemporaryDir dir;
    const QString path = dir.filePath("journal.sqlite");
    const QDateTime day(QDate(2026, 3, 10), QTime(9, 30));
    Journal journal(path);
    QVERIFY(journal.add(entry("111", day, "0")));
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other program");
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QSqlQuery hold(other);
        QVERIFY(hold.exec("BEGIN IMMEDIATE"));
        QVERIFY(hold.exec("INSERT INTO entries (field) VALUES ('other')"));
        for (int i = 1; i <= 3; ++i) {
            QElapsedTimer added;
            added.start();
            QVERIFY(journal.add(entry("111", day.addSecs(i), QString::number(i))));
            QVERIFY2(added.elapsed() < 400, qPrintable(QString::number(added.elapsed())));
            QCOMPARE(journal.waiting(), i);
        }
        QVERIFY(hold.exec("COMMIT"));
    }
    QSqlDatabase::removeDatabase("other program");
    if (freedBy == "add")
        QVERIFY(journal.add(entry("111", day.addSecs(4), "4")));
    else if (freedBy == "flush")
        QVERIFY(journal.flush());
    else
        QVERIFY(journal.close());
    QCOMPARE(journal.waiting(), 0);
    QStringList fields;
    for (const JournalEntry &e : Journal(path).entries({}))
        fields.prepend(e.field);
    QStringList expected{"0", "other", "1", "2", "3"};
    if (freedBy == "add")
        expected << "4";
    QCOMPARE(fields, expected);
}

// The edits reach the controller at once; the engineer is told once, not per edit.
void tst_Journal::busyFile_windowSaysSoAndWritesAtTheNextTick()
{
    ConnectedWindow w;
    QVERIFY(w.connect());
    editCell(w, 9, 21, "21");
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other program");
        other.setDatabaseName(Journal::defaultPath());
        QVERIFY(other.open());
        QSqlQuery hold(other);
        QVERIFY(hold.exec("BEGIN IMMEDIATE"));
        QElapsedTimer edits;
        edits.start();
        editCell(w, 9, 21, "22");
        editCell(w, 9, 20, "5");
        QVERIFY2(edits.elapsed() < 2000, qPrintable(QString::number(edits.elapsed())));
        QCOMPARE(w.simulator.holdingRegister(channelBlock(9) + CH_DELAY), quint16(22));
        QVERIFY(!w.widget<QLabel>("lbJournalBusy")->isHidden());
        QCOMPARE(w.widget<QLabel>("lbJournalBusy")->text(),
                 QString("Журнал занят другой программой, записи сохранятся позже"));
        QVERIFY(hold.exec("COMMIT"));
    }
    QSqlDatabase::removeDatabase("other program");
    w.tick();
    QTRY_VERIFY(w.widget<QLabel>("lbJournalBusy")->isHidden());
    QVERIFY(w.answerer.messages().isEmpty());
    QStringList afters;
    for (const JournalEntry &e : Journal().entries({}))
        afters.prepend(e.after);
    QCOMPARE(afters, QStringList({"21", "22", "5"}));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], KILL_MODE) == 0)
        return editThenDie();
    tst_Journal test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
