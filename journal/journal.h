#ifndef JOURNAL_H
#define JOURNAL_H

#include <QDate>
#include <QDateTime>
#include <QSqlQuery>
#include <QString>
#include <QVector>

class QSqlError;
class QSqlRecord;

// One write to a controller as the journal keeps it.
struct JournalEntry {
    QDateTime time; // local, with its offset from UTC
    QString port;
    int address = 0;
    QString factoryNumber;
    QString channel; // empty for a device-wide write
    QString field;
    QString before;
    QString after;
    QString result;
};

// What the journal view shows: entries of one factory number (empty: all) within a range of
// local dates (null: open).
struct JournalFilter {
    QString factoryNumber;
    QDate from;
    QDate to;
};

// The journal of writes: an SQLite database in write-ahead-log mode, shared by the window and
// tq17ctl. Entries are committed before add() returns, so a crash of the tool loses at most the
// write in progress. While another program holds the file, an entry waits at most BUSY_WAIT_MS
// and then stays in memory, in order, until a later add(), flush() or close() gets the file.
// The database is opened on first use, in the thread that uses it; one object serves one thread.
class Journal
{
public:
    static const QString OK;
    static const QString LINK_ERROR;
    static const QString NOT_TAKEN;
    static constexpr int BUSY_WAIT_MS = 200;
    // What close() waits at most for a busy file before it gives up the entries still waiting.
    static constexpr int CLOSE_WAIT_MS = 2000;

    // "journal.sqlite" in the window's data folder, whichever program asks.
    static QString defaultPath();

    explicit Journal(const QString &path = defaultPath());
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // False when the database cannot be opened or written; errorString() says why. True also
    // when the entry was kept waiting for a busy file.
    bool add(const JournalEntry &entry);
    // Entries kept in memory because another program held the file.
    int waiting() const { return unwritten.size(); }
    // Tries to write the waiting entries for up to waitMs; true when none is left waiting.
    bool flush(int waitMs = 0);
    // Newest first.
    QVector<JournalEntry> entries(const JournalFilter &filter);
    // The same entries as a query to fetch from as it goes; inactive when the journal cannot
    // be read. It must end before the journal is closed.
    QSqlQuery select(const JournalFilter &filter, bool forwardOnly = false);
    static JournalEntry entryOf(const QSqlRecord &record);
    QString errorString() const { return error; }
    QString path() const { return file; }
    // Writes what waits (see CLOSE_WAIT_MS) and lets go of the database; the next use opens it
    // again. False when waiting entries had to be dropped.
    bool close();

private:
    enum class State { Ready, Busy, Failed };
    State open();
    QSqlError prepareDatabase();
    State writeWaiting();
    QSqlError insertWaiting();
    // Busy when another program holds the file, else Failed with errorString() set.
    State failure(const QSqlError &why);
    void release();

    const QString file;
    const QString connection;
    bool opened = false;
    QVector<JournalEntry> unwritten;
    QString error;
};

#endif
