#include "archive/archivetext.h"

#include "device/texttables.h"

#include <QDateTime>
#include <QStringList>
#include <cmath>

namespace ArchiveText {

const char EMPTY_SLOT[] = "---";

namespace {

const QStringList EVENT_NAMES = {
    "НЕТ СОБЫТИЙ",  "ПОРОГ 1",      "ПОРОГ 2",   "ПОРОГ 3",        "ИНЦИАЛИЗАЦИЯ",
    "СЕРВИС",       "АВАРИЯ",       "ПРИБОР ВКЛ.", "ПЕТЛЯ: ОБРЫВ", "НЕТ СВЯЗИ",
    "КОНЦ.ПРЕВЫШЕНА", "УСТ. ВРЕМЕНИ", "ПРИБОР ОТКЛ.", "ДЕЛЬТА",
};

constexpr unsigned VALUE_CODES_MASK = 0x240E;

// Archive times are broken down as universal time whatever the PC's time zone.
QDateTime brokenDown(const ArchiveRecord &record)
{
    return QDateTime::fromSecsSinceEpoch(record.time, Qt::UTC);
}

} // namespace

int unitIndex(const ArchiveRecord &record) { return record.scale & 0x0F; }
int decimals(const ArchiveRecord &record) { return record.scale >> 4; }

QString dateText(const ArchiveRecord &record)
{
    const QDate date = brokenDown(record).date();
    return QString::asprintf("%02d.%02d.%02d", date.day(), date.month(), date.year() - 2000);
}

QString timeText(const ArchiveRecord &record)
{
    const QTime time = brokenDown(record).time();
    return QString::asprintf("%02d:%02d:%02d", time.hour(), time.minute(), time.second());
}

QString channelText(const ArchiveRecord &record)
{
    return QString::asprintf("%02d", record.channel);
}

QString eventName(int code)
{
    if (code >= 0 && code < NAMED_EVENT_CODES)
        return EVENT_NAMES.at(code);
    return QString::number(code);
}

bool carriesValue(int code)
{
    return code >= 0 && code < NAMED_EVENT_CODES && (VALUE_CODES_MASK >> code & 1u);
}

double value(const ArchiveRecord &record)
{
    return record.raw / std::pow(10.0, decimals(record));
}

QString valueText(const ArchiveRecord &record)
{
    return QString::asprintf("%.*f", decimals(record), value(record));
}

QString unitName(int index)
{
    if (index >= 0 && index < UNIT_NAME_COUNT)
        return UNIT_TEXTS.at(index);
    return QString();
}

QString auxText(const ArchiveRecord &record, int digits)
{
    return QString::asprintf("%0*d", digits, record.aux);
}

} // namespace ArchiveText
