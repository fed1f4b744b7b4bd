#include "tools/tq17sim/requestframer.h"

int RequestFramer::frameLength(const QByteArray &bytes)
{
    if (bytes.size() < 2)
        return 0;
    switch (quint8(bytes[1])) {
    case 3:
    case 4: return 8;
    case 16:
        // Address, function, start, quantity, byte count, data, CRC.
        return bytes.size() < 7 ? 0 : 9 + quint8(bytes[6]);
    default: return kUntilSilence;
    }
}
