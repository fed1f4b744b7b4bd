#ifndef JOURNALPAGE_H
#define JOURNALPAGE_H

#include "journal/journal.h"

#include <QWidget>

class QCheckBox;
class QDateEdit;
class JournalTable;
class QLineEdit;
class QTableView;

// The "Журнал" tab: the journal of writes, newest first, filtered by factory number and an
// optional range of dates, and its export to a workbook.
class JournalPage : public QWidget
{
    Q_OBJECT
public:
    explicit JournalPage(QWidget *parent = nullptr);

    // Reads the entries the filter lets through again.
    void refresh();
private slots:
    // Asks for a file and writes what the table shows into it.
    void on_pbJournalExport_clicked();

private:
    JournalFilter filter() const;
    void fitColumns();

    JournalTable *model;
    QTableView *view = nullptr;
    QLineEdit *factoryEdit;
    QCheckBox *periodBox;
    QDateEdit *fromEdit;
    QDateEdit *toEdit;
    QString lastDir;
};

#endif
