#pragma once

#include "tools/tq17sim/simfault.h"

#include <mutex>

// Which fault strikes which request or upload. Thread-safe: tests arm it while the server runs.
class FaultPlan
{
public:
    struct Shot {
        SimFault fault = SimFault::None;
        int parameter = 0; // the fault's default already filled in
    };

    // Lets `after` requests (for XMODEM faults: uploads) pass untouched, then hits `count` of them
    // (0 = all). StopAnswering hits every request until the next set().
    void set(SimFault fault, int after, int parameter, int count);

    // Called for each request to this slave and each upload: the fault to apply to it.
    Shot onRequest() { return hit(false); }
    Shot onUpload() { return hit(true); }

    // Changes with every set(); a fault still running (EndlessLine) ends when it does.
    int generation() const;

private:
    Shot hit(bool upload);

    mutable std::mutex mutex_;
    SimFault fault_ = SimFault::None;
    int after_ = 0;
    int parameter_ = 0;
    int remaining_ = 0;
    int generation_ = 0;
};
