#include "archive/chartdata.h"

#include "archive/archivetext.h"
#include "device/channelformat.h"
#include "device/channelrecord.h"
#include "device/texttables.h"

#include <algorithm>
#include <vector>

namespace ChartData {

namespace {

// The valid records among the first count, stably ordered by time.
std::vector<const ArchiveRecord *> validInTimeOrder(const ArchiveRecord *records, int count,
                                                    int channel = -1)
{
    std::vector<const ArchiveRecord *> chosen;
    chosen.reserve(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const ArchiveRecord &record = records[i];
        if (ArchiveText::isValid(record) &&
            (channel < 0 || record.channel == 0 || record.channel == channel))
            chosen.push_back(&record);
    }
    const auto earlier = [](const ArchiveRecord *a, const ArchiveRecord *b) {
        return a->time < b->time;
    };
    // Archives are written in time order, except where one wrapped.
    if (!std::is_sorted(chosen.begin(), chosen.end(), earlier))
        std::stable_sort(chosen.begin(), chosen.end(), earlier);
    return chosen;
}

} // namespace

Series series(const ArchiveRecord *records, int count)
{
    Series series;
    const std::vector<const ArchiveRecord *> chosen = validInTimeOrder(records, count);
    series.times.reserve(int(chosen.size()));
    series.values.reserve(int(chosen.size()));
    for (const ArchiveRecord *record : chosen) {
        series.times << double(record->time);
        series.values << ArchiveText::value(*record);
    }
    if (!chosen.empty())
        series.unit = ArchiveText::unitNameOrDefault(*chosen.front());
    return series;
}

QVector<Threshold> thresholds(const ChannelRecord &settings)
{
    const int32_t types[] = {settings.thr1Type, settings.thr2Type, settings.thr3Type};
    const int32_t levels[] = {settings.thr1, settings.thr2, settings.thr3};
    QVector<Threshold> lines;
    for (int i = 0; i < 3; ++i) {
        lines.push_back(
            {ChannelFormat::scaledValue(settings, levels[i] & 0x7FFF),
             QStringLiteral("Порог%1 ").arg(i + 1) + THRESHOLD_TYPE_TEXTS.at(types[i] & 1)});
    }
    return lines;
}

QVector<EventMark> events(const ArchiveRecord *records, int count, int channel)
{
    using namespace ArchiveText;
    QVector<EventMark> marks;
    for (const ArchiveRecord *record : validInTimeOrder(records, count, channel)) {
        QString text = dateText(*record) + QLatin1Char(' ') + timeText(*record) +
                       QStringLiteral("  Канал ") + channelText(*record) + QLatin1Char('\n') +
                       eventName(record->code);
        if (carriesValue(record->code))
            text += QLatin1Char(' ') + valueText(*record) + QLatin1Char(' ') +
                    unitNameOrDefault(*record);
        marks.push_back({double(record->time), text});
    }
    return marks;
}

} // namespace ChartData
