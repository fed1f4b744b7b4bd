#include "journal/journaltable.h"

#include "journal/journalworkbook.h"

#include <QSqlRecord>

JournalTable::JournalTable(const QString &path, QObject *parent)
    : QSqlQueryModel(parent), journal(path)
{}

// The query ends before its database is let go.
JournalTable::~JournalTable()
{
    clear();
}

void JournalTable::setFilter(const JournalFilter &filter)
{
    shown = filter;
    setQuery(journal.select(filter));
}

QVector<JournalEntry> JournalTable::allEntries()
{
    return journal.entries(shown);
}

int JournalTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : JournalWorkbook::headers().size();
}

QVariant JournalTable::data(const QModelIndex &index, int role) const
{
    // record() reads the stored values through the edit role.
    if (role != Qt::DisplayRole || !index.isValid())
        return QSqlQueryModel::data(index, role);
    return JournalWorkbook::texts(Journal::entryOf(record(index.row()))).value(index.column());
}

QVariant JournalTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QSqlQueryModel::headerData(section, orientation, role);
    return JournalWorkbook::headers().value(section);
}
