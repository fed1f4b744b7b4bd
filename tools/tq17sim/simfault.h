#pragma once

#include <QString>
#include <QStringList>

// Failure modes the simulator can inject, each described in one line of the table in
// simfault.cpp. Where a mode takes a parameter, 0 selects the default given there.
enum class SimFault {
    None,
    NoReply,
    BadCrc,
    ExceptionReply,
    PiecesShortGaps,
    PiecesLongGaps,
    OverlongReply,
    EndlessLine,
    StopAnswering,
    IgnoreWrite,
    ForeignWrite,
    ShortRead,
    WrongByteCount,
    WrongSlave,
    WrongFunction,
    ShortWriteEcho,
    LateReply,
    XmEotAtOnce,
    XmBadBlockCrc,
    XmShortBlock,
    XmStrayBytes,
    XmSilence,
    XmTrailingBytes,
};

bool isXmodemFault(SimFault fault);
int defaultFaultParameter(SimFault fault);
bool faultFromName(const QString &name, SimFault *fault);
QStringList faultNames();
// "name: description", one line per fault.
QStringList faultDescriptions();
