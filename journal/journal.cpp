#include "journal/journal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QVariant>
#include <atomic>

const QString Journal::OK = QStringLiteral("OK");
const QString Journal::LINK_ERROR = QStringLiteral("Ошибка связи");
const QString Journal::NOT_TAKEN = QStringLiteral("Не принято");

namespace {

// The program whose data folder holds the journal.
const QString WINDOW_APPLICATION = QStringLiteral("tq17config");
const int SQLITE_BUSY_CODE = 5;

QString uniqueConnectionName()
{
    static std::atomic<int> next{0};
    return QStringLiteral("journal-%1").arg(next++);
}

// SQLite's extended codes keep the primary code in their low byte.
bool isBusy(const QSqlError &error)
{
    return (error.nativeErrorCode().toInt() & 0xFF) == SQLITE_BUSY_CODE;
}

// A date as the stored times begin; the times of a day sort from its date up to the next one's.
QString dateKey(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QStringLiteral("");
}

} // namespace

// The data folder is named after the program that asks; the one of the window's name is taken
// from beside it.
QString Journal::defaultPath()
{
    const QFileInfo own(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    return own.dir().filePath(WINDOW_APPLICATION) + QStringLiteral("/journal.sqlite");
}

Journal::Journal(const QString &path) : file(path), connection(uniqueConnectionName()) {}

Journal::~Journal()
{
    close();
}

bool Journal::close()
{
    const bool written = flush(CLOSE_WAIT_MS);
    unwritten.clear();
    release();
    return written;
}

void Journal::release()
{
    if (!QSqlDatabase::contains(connection))
        return;
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
    opened = false;
}

Journal::State Journal::failure(const QSqlError &why)
{
    release();
    if (isBusy(why))
        return State::Busy;
    error = QStringLiteral("Журнал ") + file + QStringLiteral(": ") + why.text();
    return State::Failed;
}

// A file that is not a journal is left as it is: the first statement fails before anything is
// written to it. The indexes keep the view quick on a long journal; one made by an older
// version gains them here.
Journal::State Journal::open()
{
    if (opened)
        return State::Ready;
    if (!QDir().mkpath(QFileInfo(file).path())) {
        error = QStringLiteral("Журнал ") + file + QStringLiteral(": папка не создана");
        return State::Failed;
    }
    const QSqlError why = prepareDatabase();
    if (why.type() != QSqlError::NoError)
        return failure(why);
    opened = true;
    error.clear();
    return State::Ready;
}

QSqlError Journal::prepareDatabase()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BUSY_WAIT_MS));
    if (!db.open())
        return db.lastError();
    QSqlQuery query(db);
    for (const char *statement :
         {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL",
          "CREATE TABLE IF NOT EXISTS entries (id INTEGER PRIMARY KEY, time TEXT, port TEXT, "
          "address INTEGER, factory TEXT, channel TEXT, field TEXT, old TEXT, new TEXT, "
          "result TEXT)",
          "CREATE INDEX IF NOT EXISTS entries_time ON entries (time)",
          "CREATE INDEX IF NOT EXISTS entries_factory ON entries (factory)"}) {
        if (!query.exec(QString::fromLatin1(statement)))
            return query.lastError();
    }
    return QSqlError();
}

Journal::State Journal::writeWaiting()
{
    const State state = open();
    if (state != State::Ready)
        return state;
    const QSqlError why = insertWaiting();
    if (why.type() != QSqlError::NoError)
        return failure(why);
    unwritten.clear();
    return State::Ready;
}

// The waiting entries go in one transaction, so they stay in order and none is written twice.
QSqlError Journal::insertWaiting()
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return query.lastError();
    query.prepare(QStringLiteral(
        "INSERT INTO entries (time, port, address, factory, channel, field, old, new, result) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const JournalEntry &entry : qAsConst(unwritten)) {
        QDateTime time = entry.time;
        time.setOffsetFromUtc(entry.time.offsetFromUtc());
        for (const QVariant &value :
             {QVariant(time.toString(Qt::ISODate)), QVariant(entry.port), QVariant(entry.address),
              QVariant(entry.factoryNumber), QVariant(entry.channel), QVariant(entry.field),
              QVariant(entry.before), QVariant(entry.after), QVariant(entry.result)})
            query.addBindValue(value);
        if (!query.exec()) {
            const QSqlError why = query.lastError();
            db.rollback();
            return why;
        }
    }
    if (db.commit())
        return QSqlError();
    const QSqlError why = db.lastError();
    db.rollback();
    return why;
}

// Entries of a journal that cannot be written are dropped: the caller reports the failure and
// the writes go on without the journal.
bool Journal::add(const JournalEntry &entry)
{
    unwritten.append(entry);
    if (writeWaiting() != State::Failed)
        return true;
    unwritten.clear();
    return false;
}

bool Journal::flush(int waitMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!unwritten.isEmpty()) {
        if (writeWaiting() == State::Failed) {
            unwritten.clear();
            return false;
        }
        if (!unwritten.isEmpty() && waited.elapsed() >= waitMs)
            return false;
    }
    return true;
}

// Ordered by id, the order of the writes; the conditions can use the indexes.
QSqlQuery Journal::select(const JournalFilter &filter, bool forwardOnly)
{
    if (open() != State::Ready)
        return QSqlQuery();
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(forwardOnly);
    query.prepare(QStringLiteral(
        "SELECT time, port, address, factory, channel, field, old, new, result FROM entries "
        "WHERE (? = '' OR factory = ?) AND (? = '' OR time >= ?) AND (? = '' OR time < ?) "
        "ORDER BY id DESC"));
    const QString factory =
        filter.factoryNumber.isNull() ? QStringLiteral("") : filter.factoryNumber;
    const QString from = dateKey(filter.from);
    const QString to = dateKey(filter.to.isValid() ? filter.to.addDays(1) : QDate());
    for (const QString &value : {factory, factory, from, from, to, to})
        query.addBindValue(value);
    if (query.exec())
        return query;
    const QSqlError why = query.lastError();
    query.clear();
    failure(why);
    return QSqlQuery();
}

JournalEntry Journal::entryOf(const QSqlRecord &record)
{
    JournalEntry entry;
    entry.time = QDateTime::fromString(record.value(0).toString(), Qt::ISODate);
    entry.port = record.value(1).toString();
    entry.address = record.value(2).toInt();
    entry.factoryNumber = record.value(3).toString();
    entry.channel = record.value(4).toString();
    entry.field = record.value(5).toString();
    entry.before = record.value(6).toString();
    entry.after = record.value(7).toString();
    entry.result = record.value(8).toString();
    return entry;
}

QVector<JournalEntry> Journal::entries(const JournalFilter &filter)
{
    QVector<JournalEntry> found;
    QSqlQuery query = select(filter, true);
    while (query.next())
        found.append(entryOf(query.record()));
    return found;
}
