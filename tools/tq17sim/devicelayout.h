#pragma once

// Where a TQ-17 of either model keeps its registers (zero-based Modbus addresses).
struct DeviceLayout {
    static constexpr int kHoldingCount = 3300;
    static constexpr int kInputCount = 401;
    // Holding registers.
    static constexpr int kClockLow = 1;
    static constexpr int kClockHigh = 2;
    static constexpr int kHardwareVersion = 7;
    static constexpr int kCommand = 32;
    static constexpr int kArgument = 33;
    static constexpr int kChannelBlockSize = 50;
    static constexpr int kMaxChannels = 64;
    // Input registers.
    static constexpr int kFactoryHigh = 1;
    static constexpr int kFactoryLow = 2;
    static constexpr int kStatusBase = 4;

    int channels;
    int maskWords; // registers per channel bit mask
    int onOffMask;
    int intervalMask;
    int deltaMask;
    int concentrationBase;
    int adcBase;
    int pwmBase;

    // 64 selects the 64-channel model, anything else the 32-channel one.
    static DeviceLayout forType(int deviceType)
    {
        if (deviceType == 64)
            return {64, 4, 12, 16, 20, 68, 132, 196};
        return {32, 2, 12, 14, 16, 36, 68, 100};
    }

    static int channelBlock(int channel) { return kChannelBlockSize * (channel + 1); }
};
