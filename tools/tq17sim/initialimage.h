#pragma once

#include "tools/tq17sim/devicelayout.h"

#include <QtGlobal>

class RegisterImage;

// The register contents of a freshly configured controller: a few channels on, varied channel
// settings, and a distinct non-zero filler in every register the configuration tool does not own,
// so that tests can tell whether the tool left those alone.
class InitialImage
{
public:
    static void fill(RegisterImage &image, const DeviceLayout &layout, quint32 factoryNumber);

    static quint16 holdingFiller(int address) { return quint16(0xA000 + address); }
    static quint16 inputFiller(int address) { return quint16(0xB000 + address); }

private:
    static void fillDevice(RegisterImage &image, const DeviceLayout &layout);
    static void fillChannel(RegisterImage &image, const DeviceLayout &layout, int channel);
    static void fillStatus(RegisterImage &image, const DeviceLayout &layout);
    static void setText(RegisterImage &image, int address, const QByteArray &text);
    static void setMaskBit(RegisterImage &image, int mask, int channel);
};
