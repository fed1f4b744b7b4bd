#pragma once

#include <QtGlobal>
#include <chrono>

// The controller's clock: seconds since 1970 of local wall-clock time counted as if it were UTC.
class DeviceClock
{
public:
    DeviceClock(); // starts at the host's local time

    void set(quint32 seconds);
    quint32 now() const;

private:
    quint32 base_ = 0;
    std::chrono::steady_clock::time_point since_;
};
