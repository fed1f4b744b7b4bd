#pragma once

#include "tools/tq17sim/devicelayout.h"

#include <QSet>

class RegisterImage;

// Slowly drifting measurements: concentration, ADC and PWM of every channel as functions of time.
class LiveValues
{
public:
    // Writes the values as they stand after the given number of seconds; registers in pinned keep
    // whatever they hold.
    static void apply(RegisterImage &image, const DeviceLayout &layout, const QSet<int> &pinned,
                      double seconds);
};
