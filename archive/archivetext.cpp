#include "archive/archivetext.h"

#include "device/texttables.h"

#include <QDate>
#include <QStringList>
#include <cmath>
#include <cstdio>

namespace ArchiveText {

const char EMPTY_SLOT[] = "---";

namespace {

const QStringList EVENT_NAMES = {
    "НЕТ СОБЫТИЙ",    "ПОРОГ 1",      "ПОРОГ 2",      "ПОРОГ 3",      "ИНЦИАЛИЗАЦИЯ",
    "СЕРВИС",         "АВАРИЯ",       "ПРИБОР ВКЛ.",  "ПЕТЛЯ: ОБРЫВ", "НЕТ СВЯЗИ",
    "КОНЦ.ПРЕВЫШЕНА", "УСТ. ВРЕМЕНИ", "ПРИБОР ОТКЛ.", "ДЕЛЬТА",
};

constexpr unsigned VALUE_CODES_MASK = 0x240E;

// Archive times are broken down as universal time whatever the PC's time zone:
// whole days since 1970-01-01 and the seconds of the day.
constexpr uint32_t SECONDS_PER_DAY = 86400;
constexpr qint64 JULIAN_DAY_OF_1970_01_01 = 2440588;

// Exports format these texts for every row, so they are built without QDateTime.
QString latin1Text(const char *format, int a, int b, int c)
{
    char text[40]; // room for three ints of any value
    std::snprintf(text, sizeof text, format, a, b, c);
    return QString::fromLatin1(text);
}

} // namespace

int unitIndex(const ArchiveRecord &record)
{
    return record.scale & 0x0F;
}
int decimals(const ArchiveRecord &record)
{
    return record.scale >> 4;
}

QString dateText(const ArchiveRecord &record)
{
    const QDate date =
        QDate::fromJulianDay(JULIAN_DAY_OF_1970_01_01 + record.time / SECONDS_PER_DAY);
    return latin1Text("%02d.%02d.%02d", date.day(), date.month(), date.year() - 2000);
}

QString timeText(const ArchiveRecord &record)
{
    const int second = int(record.time % SECONDS_PER_DAY);
    return latin1Text("%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
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

QString unitNameOrDefault(const ArchiveRecord &record)
{
    const int index = unitIndex(record);
    return unitName(index < UNIT_NAME_COUNT ? index : 0);
}

QString auxText(const ArchiveRecord &record, int digits)
{
    return QString::asprintf("%0*d", digits, record.aux);
}

} // namespace ArchiveText
