#include "journal/writelog.h"

#include "device/devicetext.h"
#include "journal/journal.h"

#include <algorithm>

WriteLog::WriteLog(Journal &journal, const LinkIdentity &identity, FailureReport failed,
                   BusyReport busy)
    : journal(journal), identity(identity), failed(std::move(failed)), busy(std::move(busy))
{}

QString WriteLog::clockField(bool synced)
{
    return synced ? QStringLiteral("Синхронизировать") : QStringLiteral("Дата и время");
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

void WriteLog::clock(bool synced, quint32 sent, const QString &result)
{
    device(clockField(synced), QString(), DeviceText::clockText(sent), result);
}

void WriteLog::written(const QVector<FieldChange> &changes, const QVector<FieldChange> &refused)
{
    for (const FieldChange &change : changes)
        this->change(change, refuses(refused, change) ? Journal::NOT_TAKEN : Journal::OK);
}

bool WriteLog::refuses(const QVector<FieldChange> &refused, const FieldChange &change)
{
    return std::any_of(refused.begin(), refused.end(),
                       [&change](const FieldChange &r) { return r.column == change.column; });
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
    else if (journal.waiting() > 0)
        busy();
}
