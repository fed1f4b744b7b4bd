#include "app/writelog.h"

#include "journal/journal.h"

WriteLog::WriteLog(Journal &journal, const LinkIdentity &identity, FailureReport failed)
    : journal(journal), identity(identity), failed(std::move(failed))
{
}

void WriteLog::device(const QString &field, const QString &before, const QString &after,
                      const QString &result)
{
    add(QString(), field, before, after, result);
}

void WriteLog::channel(int channel, const QString &field, const QString &before,
                       const QString &after, const QString &result)
{
    add(QString::number(channel + 1), field, before, after, result);
}

void WriteLog::change(const FieldChange &change, const QString &result)
{
    channel(change.channel, ChannelDiff::columnTitle(change.column), change.before, change.after,
            result);
}

void WriteLog::add(const QString &channel, const QString &field, const QString &before,
                   const QString &after, const QString &result)
{
    JournalEntry entry;
    entry.time = QDateTime::currentDateTime();
    entry.port = identity.port;
    entry.address = identity.address;
    entry.factoryNumber = identity.factoryNumber;
    entry.channel = channel;
    entry.field = field;
    entry.before = before;
    entry.after = after;
    entry.result = result;
    if (!journal.add(entry))
        failed(journal.errorString());
}
