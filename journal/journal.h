#ifndef JOURNAL_H
#define JOURNAL_H

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>

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

// The journal of writes: an SQLite database in write-ahead-log mode. Every entry is its own
// committed transaction, so a crash of the tool loses at most the write in progress. The
// database is opened on first use, in the thread that uses it; one object serves one thread.
class Journal
{
public:
    static const QString OK;
    static const QString LINK_ERROR;
    static const QString NOT_TAKEN;

    // "journal.sqlite" in the application's data folder.
    static QString defaultPath();

    explicit Journal(const QString &path = defaultPath());
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // False when the database cannot be opened or written; errorString() says why.
    bool add(const JournalEntry &entry);
    // Newest first.
    QVector<JournalEntry> entries(const JournalFilter &filter);
    QString errorString() const { return error; }
    QString path() const { return file; }
    // Lets go of the database; the next use opens it again.
    void close();

private:
    bool open();
    bool fail(const QString &why);

    const QString file;
    const QString connection;
    bool opened = false;
    QString error;
};

#endif
