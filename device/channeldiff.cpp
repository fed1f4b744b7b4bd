#include "device/channeldiff.h"

#include "device/channelformat.h"
#include "device/channelrecord.h"
#include "device/columndefs.h"
#include "device/registermap.h"

#include <QRegularExpression>

namespace ChannelDiff {

namespace {

// A text field up to its terminator: bytes after it are never shown.
QByteArray text(const char *chars)
{
    return QByteArray(chars, int(qstrnlen(chars, 16)));
}

// What the range write puts into the controller for a column; columns it does not write
// have no entry.
QVariant writtenValue(int devType, const ChannelRecord &r, int column)
{
    switch (column) {
    case 1: return r.moduleType ? (r.moduleType - 1) & 15 : 0;
    case 2: return text(r.tag);
    case 7: return r.unit & 15;
    case 8: return r.decimals & 3;
    case 9: return text(r.gasName);
    case 12: return quint16(r.rangeMin);
    case 13: return quint16(r.rangeMax);
    case 14: return r.thr1Type & 1;
    case 15: return r.thr1 & THRESHOLD_VALUE_MASK;
    case 16: return r.thr2Type & 1;
    case 17: return r.thr2 & THRESHOLD_VALUE_MASK;
    case 18: return devType == 1 ? 0 : r.thr3Type & 1;
    case 19: return devType == 1 ? 0 : r.thr3 & THRESHOLD_VALUE_MASK;
    case 20: return quint16(r.hysteresis);
    case 21: return quint16(r.delay);
    case 22: return quint16(r.deadZone);
    case 26: return quint16(r.arcInterval);
    case 27: return quint16(r.arcDelta);
    case 32: return quint16(r.currentAlarm);
    case 33: return quint16(r.currentInit);
    case 34: return quint16(r.currentService);
    case 35: return quint16(r.moduleAddress * 256);
    default: return {};
    }
}

} // namespace

QString columnTitle(int column)
{
    QString title = QString::fromUtf8(COLUMN_DEFS[column].header);
    title.replace(QRegularExpression(QStringLiteral("-\\n\\s*")), QStringLiteral("-"));
    return title.simplified();
}

QVector<FieldChange> writtenFields(int devType, int channel, const ChannelRecord &before,
                                   const ChannelRecord &after)
{
    QVector<FieldChange> changes;
    for (int column = 0; column < COLUMN_COUNT; ++column) {
        const QVariant old = writtenValue(devType, before, column);
        if (!old.isValid() || old == writtenValue(devType, after, column))
            continue;
        changes.append({channel, column, ChannelFormat::cell(before, column).toString(),
                        ChannelFormat::cell(after, column).toString()});
    }
    return changes;
}

QString describe(const FieldChange &change)
{
    return QString::asprintf("Канал %02d, ", change.channel + 1) + columnTitle(change.column) +
           QStringLiteral(": ") + change.before + QStringLiteral(" → ") + change.after;
}

} // namespace ChannelDiff
