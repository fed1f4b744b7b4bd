#include "archive/archivetext.h"

#include "device/texttables.h"

#include <QStringList>
#include <charconv>
#include <cmath>

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

struct CivilDate {
    int year;
    int month;
    int day;
};

// The Gregorian date of a day since 1970-01-01, worked out without a calendar class since exports
// need one for every row. Days count from 0000-03-01 in eras of 400 years, so that a leap day
// ends its year.
CivilDate civilDate(uint32_t daysSince1970)
{
    constexpr uint32_t DAYS_FROM_0000_03_01 = 719468;
    constexpr uint32_t DAYS_PER_ERA = 146097;
    const uint32_t days = daysSince1970 + DAYS_FROM_0000_03_01;
    const uint32_t era = days / DAYS_PER_ERA;
    const uint32_t dayOfEra = days % DAYS_PER_ERA;
    // Without its leap days, every year of the era has 365 days.
    const uint32_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const uint32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    // Months from March repeat a pattern of 153 days every five months.
    const uint32_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int month = int(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    return {int(era * 400 + yearOfEra) + (month <= 2), month,
            int(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1)};
}

// Writes the number as "%02d" does and returns the end.
char *putNumber(char *out, int number)
{
    if (number >= 0 && number < 100) {
        out[0] = char('0' + number / 10);
        out[1] = char('0' + number % 10);
        return out + 2;
    }
    return std::to_chars(out, out + 11, number).ptr;
}

// The numbers as "%02d.%02d.%02d" gives them, with the separator in place of '.'; written without
// printf, whose parsing of the format would weigh on exports, which need two of these a row.
MomentChars joinNumbers(int a, char separator, int b, int c)
{
    MomentChars chars;
    char *end = putNumber(chars.text, a);
    *end++ = separator;
    end = putNumber(end, b);
    *end++ = separator;
    *putNumber(end, c) = '\0';
    return chars;
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

MomentChars dateChars(const ArchiveRecord &record)
{
    const CivilDate date = civilDate(record.time / SECONDS_PER_DAY);
    return joinNumbers(date.day, '.', date.month, date.year - 2000);
}

MomentChars timeChars(const ArchiveRecord &record)
{
    const int second = int(record.time % SECONDS_PER_DAY);
    return joinNumbers(second / 3600, ':', second / 60 % 60, second % 60);
}

QString dateText(const ArchiveRecord &record)
{
    return QString::fromLatin1(dateChars(record).text);
}

QString timeText(const ArchiveRecord &record)
{
    return QString::fromLatin1(timeChars(record).text);
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
