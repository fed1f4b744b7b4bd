#include "tools/tq17sim/livevalues.h"

#include "tools/tq17sim/registerimage.h"

#include <cmath>

namespace {

constexpr double kPeriodSeconds = 120.0;

void setUnlessPinned(RegisterImage &image, const QSet<int> &pinned, int address, double value)
{
    if (!pinned.contains(address))
        image.setInput(address, quint16(std::lround(value)));
}

} // namespace

void LiveValues::apply(RegisterImage &image, const DeviceLayout &layout, const QSet<int> &pinned,
                       double seconds)
{
    for (int c = 0; c < layout.channels; ++c) {
        // Each channel drifts in its own phase between 0 and 30 % of its range.
        const double level = 0.5 + 0.5 * std::sin(2.0 * M_PI * seconds / kPeriodSeconds + c);
        const double rangeMax = image.holding(DeviceLayout::channelBlock(c) + 8);
        setUnlessPinned(image, pinned, layout.concentrationBase + c, 0.3 * level * rangeMax);
        setUnlessPinned(image, pinned, layout.adcBase + c, 820 + 0.3 * level * (4090 - 820));
        setUnlessPinned(image, pinned, layout.pwmBase + c, 1000 + 0.3 * level * 4000);
    }
}
