#include "tools/tq17sim/archivesource.h"

#include "tools/tq17sim/deviceclock.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <array>
#include <cmath>

namespace {

constexpr int kRecordSize = 16;
constexpr quint32 kRecordSpacingSeconds = 60;
constexpr int kEventChannels = 8;

struct Event {
    quint8 code;
    bool wholeDevice;
    bool carriesValue;
};

// A plausible day of a controller: power on, warm-up, alarms rising and falling, faults, service.
constexpr std::array<Event, 13> kEventCycle = {{
    {7, true, false},
    {4, false, false},
    {1, false, true},
    {2, false, true},
    {13, false, true},
    {10, false, true},
    {3, false, true},
    {9, false, false},
    {6, false, false},
    {8, false, false},
    {5, false, false},
    {11, true, false},
    {12, true, false},
}};

QByteArray record(quint8 channel, quint8 code, quint32 time, quint16 raw, quint8 scale, quint16 aux)
{
    QByteArray bytes(kRecordSize, '\0');
    uchar *data = reinterpret_cast<uchar *>(bytes.data());
    data[0] = 'Z';
    data[1] = channel;
    data[2] = code;
    qToLittleEndian(time, data + 4);
    qToLittleEndian(raw, data + 8);
    data[10] = scale;
    qToLittleEndian(aux, data + 14);
    return bytes;
}

} // namespace

QByteArray ArchiveSource::archive(int number, const QVector<quint8> &channelScales) const
{
    if (directory_.isEmpty())
        return generate(number, channelScales);
    QFile file(QDir(directory_).filePath(fileName(number)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ArchiveSource::fileName(int number)
{
    return number == 0 ? QStringLiteral("events.arh")
                       : QStringLiteral("chan%1.arh").arg(number, 2, 10, QLatin1Char('0'));
}

QByteArray ArchiveSource::generate(int number, const QVector<quint8> &channelScales) const
{
    const quint32 start = DeviceClock().now() - quint32(generatedRecords_) * kRecordSpacingSeconds;
    const auto scaleOf = [&](int channel) {
        return channel >= 1 && channel <= channelScales.size() ? channelScales[channel - 1] : 0;
    };
    QByteArray bytes;
    bytes.reserve(generatedRecords_ * kRecordSize);
    for (int i = 0; i < generatedRecords_; ++i) {
        const quint32 time = start + quint32(i) * kRecordSpacingSeconds + quint32(i % 7);
        const quint16 raw = quint16(std::lround(500 + 400 * std::sin(i / 50.0)));
        if (number == 0) {
            const Event &event = kEventCycle[size_t(i) % kEventCycle.size()];
            const quint8 channel = event.wholeDevice ? 0 : quint8(1 + i % kEventChannels);
            bytes += record(channel, event.code, time, event.carriesValue ? raw : 0,
                            event.carriesValue ? scaleOf(channel) : 0, quint16(i));
        } else {
            bytes += record(quint8(number), 0, time, raw, scaleOf(number), quint16(i % 10000));
        }
    }
    return bytes;
}
