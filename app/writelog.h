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

// Records the writes of the worker thread in the journal, each entry committed before the next
// exchange. A journal that fails is reported and never stops the write.
class WriteLog
{
public:
    using FailureReport = std::function<void(const QString &error)>;

    WriteLog(Journal &journal, const LinkIdentity &identity, FailureReport failed);

    void device(const QString &field, const QString &before, const QString &after,
                const QString &result);
    void channel(int channel, const QString &field, const QString &before, const QString &after,
                 const QString &result);
    void change(const FieldChange &change, const QString &result);

private:
    void add(const QString &channel, const QString &field, const QString &before,
             const QString &after, const QString &result);

    Journal &journal;
    const LinkIdentity identity;
    const FailureReport failed;
};

#endif
