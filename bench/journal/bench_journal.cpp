// Times the window's Журнал tab on a long journal: opening the tab, and each key typed into its
// factory number filter, then deleted again.
#include "journal/journal.h"
#include "tests/support/connectedwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int ENTRIES = 200000;
constexpr int CONTROLLERS = 40;
constexpr int RUNS = 5;
constexpr double OPEN_GOAL_MS = 200;
constexpr double KEY_GOAL_MS = 100;
const QString TYPED = QStringLiteral("100017");

// Writes as the window journals them: an edit every few minutes on one of the controllers. The
// rows go in at once: entry by entry the filling alone would take minutes.
bool fill(const QString &path)
{
    JournalEntry first;
    first.time = QDateTime::currentDateTime();
    if (!Journal(path).add(first)) // the schema
        return false;
    bool filled = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "fill");
        db.setDatabaseName(path);
        QSqlQuery query(db);
        filled = db.open() && db.transaction() &&
                 query.prepare("INSERT INTO entries (time, port, address, factory, channel, "
                               "field, old, new, result) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        const QDateTime start(QDate(2025, 1, 1), QTime(8, 0));
        for (int i = 0; filled && i < ENTRIES; ++i) {
            QDateTime time = start.addSecs(qint64(i) * 150);
            time.setOffsetFromUtc(time.offsetFromUtc());
            for (const QVariant &value :
                 {QVariant(time.toString(Qt::ISODate)), QVariant("/dev/ttyUSB0"), QVariant(1),
                  QVariant(QString::number(100000 + i % CONTROLLERS)),
                  QVariant(QString::number(1 + i % 32)), QVariant("Порог1"),
                  QVariant(QString::number(i % 100)), QVariant(QString::number(i % 100 + 1)),
                  QVariant(i % 50 ? "OK" : "Не принято")})
                query.addBindValue(value);
            filled = query.exec();
        }
        filled = filled && db.commit();
    }
    QSqlDatabase::removeDatabase("fill");
    return filled;
}

// The time the call takes until the window has drawn what it changed.
double shownMs(const std::function<void()> &change)
{
    QElapsedTimer timer;
    timer.start();
    change();
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    ConnectedWindow w;
    if (!fill(Journal::defaultPath())) {
        std::fprintf(stderr, "could not fill the journal\n");
        return 1;
    }
    w.window->show();
    auto *tabs = w.widget<QTabWidget>("tabWidget");
    auto *page = w.widget<QWidget>("tabJournal");
    std::vector<double> opening;
    for (int run = 0; run < RUNS; ++run) {
        tabs->setCurrentIndex(0);
        QCoreApplication::processEvents();
        opening.push_back(shownMs([&] { tabs->setCurrentWidget(page); }));
    }
    const int rows = w.widget<QTableView>("tvJournal")->model()->rowCount();
    std::printf("journal tab with %d entries: opened in %.1f ms (median of %d; goal <= %.0f ms, "
                "%d rows fetched)\n",
                ENTRIES, median(opening), RUNS, OPEN_GOAL_MS, rows);

    auto *factory = w.widget<QLineEdit>("leJournalFactory");
    std::vector<double> keys;
    for (int length = 1; length <= TYPED.size(); ++length)
        keys.push_back(shownMs([&] { factory->setText(TYPED.left(length)); }));
    const int matching = w.widget<QTableView>("tvJournal")->model()->rowCount();
    for (int length = TYPED.size() - 1; length >= 0; --length)
        keys.push_back(shownMs([&] { factory->setText(TYPED.left(length)); }));
    std::printf("journal filter \"%s\" typed and deleted: %.1f ms per key at most, median %.1f ms "
                "(goal <= %.0f ms; %d rows of the controller fetched)\n",
                qPrintable(TYPED), *std::max_element(keys.begin(), keys.end()), median(keys),
                KEY_GOAL_MS, matching);
    return 0;
}
