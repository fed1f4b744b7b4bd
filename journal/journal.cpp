#include "journal/journal.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <atomic>

const QString Journal::OK = QStringLiteral("OK");
const QString Journal::LINK_ERROR = QStringLiteral("Ошибка связи");
const QString Journal::NOT_TAKEN = QStringLiteral("Не принято");

namespace {

QString uniqueConnectionName()
{
    static std::atomic<int> next{0};
    return QStringLiteral("journal-%1").arg(next++);
}

} // namespace

QString Journal::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/journal.sqlite");
}

Journal::Journal(const QString &path) : file(path), connection(uniqueConnectionName()) {}

Journal::~Journal()
{
    close();
}

void Journal::close()
{
    if (!QSqlDatabase::contains(connection))
        return;
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
    opened = false;
}

bool Journal::fail(const QString &why)
{
    error = QStringLiteral("Журнал ") + file + QStringLiteral(": ") + why;
    close();
    return false;
}

// A file that is not a journal is left as it is: the first statement fails before anything is
// written to it.
bool Journal::open()
{
    if (opened)
        return true;
    if (!QDir().mkpath(QFileInfo(file).path()))
        return fail(QStringLiteral("папка не создана"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(file);
    if (!db.open())
        return fail(db.lastError().text());
    QSqlQuery query(db);
    for (const char *statement :
         {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL",
          "CREATE TABLE IF NOT EXISTS entries (id INTEGER PRIMARY KEY, time TEXT, port TEXT, "
          "address INTEGER, factory TEXT, channel TEXT, field TEXT, old TEXT, new TEXT, "
          "result TEXT)"}) {
        if (!query.exec(QString::fromLatin1(statement)))
            return fail(query.lastError().text());
    }
    opened = true;
    error.clear();
    return true;
}

bool Journal::add(const JournalEntry &entry)
{
    if (!open())
        return false;
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.prepare(QStringLiteral(
        "INSERT INTO entries (time, port, address, factory, channel, field, old, new, result) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    QDateTime time = entry.time;
    time.setOffsetFromUtc(entry.time.offsetFromUtc());
    for (const QVariant &value :
         {QVariant(time.toString(Qt::ISODate)), QVariant(entry.port), QVariant(entry.address),
          QVariant(entry.factoryNumber), QVariant(entry.channel), QVariant(entry.field),
          QVariant(entry.before), QVariant(entry.after), QVariant(entry.result)})
        query.addBindValue(value);
    if (!query.exec())
        return fail(query.lastError().text());
    return true;
}

QVector<JournalEntry> Journal::entries(const JournalFilter &filter)
{
    QVector<JournalEntry> found;
    if (!open())
        return found;
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.prepare(QStringLiteral(
        "SELECT time, port, address, factory, channel, field, old, new, result FROM entries "
        "WHERE (? = '' OR factory = ?) AND (? = '' OR substr(time, 1, 10) >= ?) "
        "AND (? = '' OR substr(time, 1, 10) <= ?) ORDER BY id DESC"));
    const QString from = filter.from.isValid() ? filter.from.toString(Qt::ISODate) : QString("");
    const QString to = filter.to.isValid() ? filter.to.toString(Qt::ISODate) : QString("");
    for (const QString &value : {filter.factoryNumber, filter.factoryNumber, from, from, to, to})
        query.addBindValue(value.isNull() ? QString("") : value);
    if (!query.exec()) {
        fail(query.lastError().text());
        return found;
    }
    while (query.next()) {
        JournalEntry entry;
        entry.time = QDateTime::fromString(query.value(0).toString(), Qt::ISODate);
        entry.port = query.value(1).toString();
        entry.address = query.value(2).toInt();
        entry.factoryNumber = query.value(3).toString();
        entry.channel = query.value(4).toString();
        entry.field = query.value(5).toString();
        entry.before = query.value(6).toString();
        entry.after = query.value(7).toString();
        entry.result = query.value(8).toString();
        found.append(entry);
    }
    return found;
}
