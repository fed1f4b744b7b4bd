#include "tools/tq17sim/initialimage.h"

#include "tools/tq17sim/registerimage.h"

#include <QByteArray>
#include <array>

namespace {

constexpr std::array<const char *, 8> kGasNames = {"CH4", "H2S",  "CO", "O2",
                                                   "NH3", "C3H8", "H2", "NO2"};

// Input status code in bits 4..7, error status code in bits 8..9.
constexpr quint16 statusWord(int thresholds, int input, int error)
{
    return quint16(thresholds | input << 4 | error << 8);
}

int powerOfTen(int decimals)
{
    return decimals == 0 ? 1 : decimals == 1 ? 10 : 100;
}

} // namespace

void InitialImage::fill(RegisterImage &image, const DeviceLayout &layout, quint32 factoryNumber)
{
    for (int a = 0; a < DeviceLayout::kHoldingCount; ++a)
        image.setHolding(a, holdingFiller(a));
    for (int a = 0; a < DeviceLayout::kInputCount; ++a)
        image.setInput(a, inputFiller(a));
    fillDevice(image, layout);
    for (int c = 0; c < DeviceLayout::kMaxChannels; ++c)
        fillChannel(image, layout, c);
    image.setInput(DeviceLayout::kFactoryHigh, quint16(factoryNumber >> 16));
    image.setInput(DeviceLayout::kFactoryLow, quint16(factoryNumber));
    fillStatus(image, layout);
}

void InitialImage::fillDevice(RegisterImage &image, const DeviceLayout &layout)
{
    image.setHolding(DeviceLayout::kHardwareVersion, 0x0101);
    image.setHolding(DeviceLayout::kCommand, 0);
    image.setHolding(DeviceLayout::kArgument, 0);
    for (int w = 0; w < layout.maskWords; ++w) {
        image.setHolding(layout.onOffMask + w, 0);
        image.setHolding(layout.intervalMask + w, 0);
        image.setHolding(layout.deltaMask + w, 0);
    }
    // The last channel is on too, so that the upper mask word is exercised.
    for (const int c : {0, 1, 2, 3, 4, 5, layout.channels - 1})
        setMaskBit(image, layout.onOffMask, c);
    setMaskBit(image, layout.intervalMask, 0);
    setMaskBit(image, layout.intervalMask, 2);
    setMaskBit(image, layout.deltaMask, 1);
    setMaskBit(image, layout.deltaMask, 2);
}

void InitialImage::fillChannel(RegisterImage &image, const DeviceLayout &layout, int channel)
{
    const int b = DeviceLayout::channelBlock(channel);
    const int decimals = channel % 3;
    const int scale = powerOfTen(decimals);
    // Channels 0..7 are the controller's internal inputs: no module type of their own.
    const int moduleField = channel < 8 ? 0 : 1 + channel % 3;
    const quint32 serial = 2400100 + quint32(channel) * 17;

    image.setHolding(b + 1, quint16(serial >> 16));
    image.setHolding(b + 2, quint16(serial));
    image.setHolding(b + 3, quint16((1 + channel % 7) | decimals << 4 | (channel % 16) << 6 |
                                    moduleField << 10 | (channel % 4) << 14));
    image.setHolding(b + 4, quint16(20 * scale));
    image.setHolding(b + 5, quint16(40 * scale));
    // The 64-channel model has no third threshold: its word stays clear.
    const bool thirdThreshold = layout.channels == 32;
    image.setHolding(b + 6, thirdThreshold ? quint16(60 * scale | (channel % 5 == 4 ? 0x8000 : 0)) : 0);
    image.setHolding(b + 7, 0);
    image.setHolding(b + 8, quint16(100 * scale));
    image.setHolding(b + 9, quint16(2 * scale));
    image.setHolding(b + 10, quint16(channel % 10));
    image.setHolding(b + 11, 800);
    image.setHolding(b + 12, 4000);
    image.setHolding(b + 13, quint16(10 + channel));
    setText(image, b + 14, kGasNames[channel % kGasNames.size()]);
    setText(image, b + 22,
            QByteArray("CH") + QByteArray::number(channel + 1).rightJustified(2, '0'));
    image.setHolding(b + 31, quint16(scale));
    image.setHolding(b + 33, quint16(60 + channel));
    image.setHolding(b + 34, quint16(5 * scale));
    image.setHolding(b + 35, quint16(2000 + channel));
    image.setHolding(b + 36, quint16(50 * scale));
    image.setHolding(b + 37, 820);
    image.setHolding(b + 38, 4090);
    image.setHolding(b + 45, quint16((channel + 1) << 8));
    image.setHolding(b + 46, quint16(1 << 8 | channel % 10));
    image.setHolding(b + 47, quint16(4000 + channel));
    image.setHolding(b + 48, quint16(2000 + channel));
    image.setHolding(b + 49, quint16(3000 + channel));
}

void InitialImage::fillStatus(RegisterImage &image, const DeviceLayout &layout)
{
    const int onOff = layout.onOffMask;
    for (int c = 0; c < layout.channels; ++c) {
        const bool on = image.holding(onOff + c / 16) & (1 << (c % 16));
        image.setInput(DeviceLayout::kStatusBase + c, on ? statusWord(0, 3, 1) : 0);
    }
    image.setInput(DeviceLayout::kStatusBase + 3, statusWord(1, 5, 1));
    image.setInput(DeviceLayout::kStatusBase + 4, statusWord(0, 1, 2));
    image.setInput(DeviceLayout::kStatusBase + 5, statusWord(0, 2, 3));
}

void InitialImage::setText(RegisterImage &image, int address, const QByteArray &text)
{
    const QByteArray padded = text.leftJustified(16, '\0', true);
    for (int k = 0; k < 8; ++k)
        image.setHolding(address + k,
                         quint16(quint8(padded[2 * k]) | quint8(padded[2 * k + 1]) << 8));
}

void InitialImage::setMaskBit(RegisterImage &image, int mask, int channel)
{
    const int address = mask + channel / 16;
    image.setHolding(address, quint16(image.holding(address) | 1 << (channel % 16)));
}
