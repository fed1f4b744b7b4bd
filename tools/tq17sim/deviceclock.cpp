#include "tools/tq17sim/deviceclock.h"

#include <QDateTime>

DeviceClock::DeviceClock()
{
    const QDateTime local = QDateTime::currentDateTime();
    set(quint32(local.toSecsSinceEpoch() + local.offsetFromUtc()));
}

void DeviceClock::set(quint32 seconds)
{
    base_ = seconds;
    since_ = std::chrono::steady_clock::now();
}

quint32 DeviceClock::now() const
{
    const auto elapsed = std::chrono::steady_clock::now() - since_;
    return base_ + quint32(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
}
