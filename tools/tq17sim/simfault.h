#pragma once

#include <QString>
#include <QStringList>

// Failure modes the simulator can inject. Where a mode takes a parameter, 0 selects the default
// given in its line.
enum class SimFault {
    None,            // behave correctly
    NoReply,         // swallow the reply (the request still takes effect)
    BadCrc,          // corrupt the last CRC byte of the reply
    ExceptionReply,  // refuse the request with an exception frame (parameter: code, default 4)
    PiecesShortGaps, // send the reply in three pieces with gaps (parameter: gap in ms, default 20)
    PiecesLongGaps,  // send the reply in three pieces with gaps (parameter: gap in ms, default 80)
    OverlongReply,   // send frame-like bytes with a valid CRC (parameter: length, default 1500)
    EndlessLine,     // after the reply send a byte every 10 ms (parameter: for ms, default 5000)
    StopAnswering,   // answer no request any more, until another fault is set
    IgnoreWrite,     // acknowledge a function-16 write but keep the registers as they were
    ForeignWrite, // another master adds 1 to a holding register first (parameter: address, default 60)
    XmEotAtOnce,     // answer "C" with EOT instead of the first block
    XmBadBlockCrc,   // corrupt the CRC of one block (parameter: block number, default 1)
    XmShortBlock, // send one block as a 128-byte XMODEM block (parameter: block number, default 1)
    XmStrayBytes, // follow one block by stray bytes (parameter: block number, default 1)
    XmSilence,    // send nothing at all after "C"
};

bool isXmodemFault(SimFault fault);
int defaultFaultParameter(SimFault fault);
bool faultFromName(const QString &name, SimFault *fault);
QStringList faultNames();
