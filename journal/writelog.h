#ifndef WRITELOG_H
#define WRITELOG_H

#include "device/channeldiff.h"

#include <QString>
#include <functional>

class Journal;

// The connection a write went over, as the journal names it.
struct LinkIdentity {
    QString port;
    int address = 0;
    QString factoryNumber;
};

// Turns the writes of the window and of tq17ctl into journal entries, each committed before the
// next exchange. A journal that fails is reported and never stops the write; so is one another
// program holds, whose entries wait in the journal until it frees.
class WriteLog
{
public:
    using FailureReport = std::function<void(const QString &error)>;
    using BusyReport = std::function<void()>;

    WriteLog(Journal &journal, const LinkIdentity &identity, FailureReport failed, BusyReport busy);

    // The field a clock write is journalled under.
    static QString clockField(bool synced);

    void device(const QString &field, const QString &before, const QString &after,
                const QString &result);
    void channel(int channel, const QString &field, const QString &before, const QString &after,
                 const QString &result);
    void change(const FieldChange &change, const QString &result);
    // The clock set to the controller's seconds; synced: to the computer's time.
    void clock(bool synced, quint32 sent, const QString &result);
    // The changes of one channel written and read back: "Не принято" for the refused fields.
    void written(const QVector<FieldChange> &changes, const QVector<FieldChange> &refused);
    // Whether the change is among the fields of its channel the controller did not take.
    static bool refuses(const QVector<FieldChange> &refused, const FieldChange &change);

private:
    void add(const QString &channel, const QString &field, const QString &before,
             const QString &after, const QString &result);

    Journal &journal;
    const LinkIdentity identity;
    const FailureReport failed;
    const BusyReport busy;
};

#endif
