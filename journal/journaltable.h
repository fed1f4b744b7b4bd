#ifndef JOURNALTABLE_H
#define JOURNALTABLE_H

#include "journal/journal.h"

#include <QSqlQueryModel>

// The entries a filter lets through, newest first, as the journal's table shows them: the
// workbook's columns and texts. Rows are fetched from the database as the view scrolls, so a
// long journal opens and filters at once.
class JournalTable : public QSqlQueryModel
{
    Q_OBJECT
public:
    explicit JournalTable(const QString &path = Journal::defaultPath(), QObject *parent = nullptr);
    ~JournalTable() override;

    // Reads the entries the filter lets through again. A journal that cannot be read shows an
    // empty table: the writes report its failure.
    void setFilter(const JournalFilter &filter);
    // Every entry the filter lets through, not only the rows fetched so far.
    QVector<JournalEntry> allEntries();

    // The workbook's columns, also while nothing was read.
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    Journal journal;
    JournalFilter shown;
};

#endif
