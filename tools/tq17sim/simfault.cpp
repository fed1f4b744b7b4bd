#include "tools/tq17sim/simfault.h"

#include <array>

namespace {

struct FaultEntry {
    SimFault fault;
    const char *name;
    int defaultParameter;
    const char *description;
};

constexpr std::array<FaultEntry, 23> kFaults = {{
    {SimFault::None, "none", 0, "behave correctly"},
    {SimFault::NoReply, "no-reply", 0, "swallow the reply (the request still takes effect)"},
    {SimFault::BadCrc, "bad-crc", 0, "corrupt the last CRC byte of the reply"},
    {SimFault::ExceptionReply, "exception", 4,
     "refuse the request with an exception frame (parameter: code, default 4)"},
    {SimFault::PiecesShortGaps, "pieces-short-gaps", 20,
     "send the reply in three pieces with gaps (parameter: gap in ms, default 20)"},
    {SimFault::PiecesLongGaps, "pieces-long-gaps", 80,
     "send the reply in three pieces with gaps (parameter: gap in ms, default 80)"},
    {SimFault::OverlongReply, "overlong-reply", 1500,
     "send frame-like bytes with a valid CRC (parameter: length, default 1500)"},
    {SimFault::EndlessLine, "endless-line", 5000,
     "after the reply send a byte every 10 ms (parameter: for ms, default 5000)"},
    {SimFault::StopAnswering, "stop-answering", 0,
     "answer no request any more, until another fault is set"},
    {SimFault::IgnoreWrite, "ignore-write", 0,
     "acknowledge a function-16 write but keep the registers as they were"},
    {SimFault::ForeignWrite, "foreign-write", 60,
     "another master adds 1 to a holding register first (parameter: address, default 60)"},
    {SimFault::ShortRead, "short-read", 3,
     "answer a read with fewer registers than asked (parameter: registers, default 3)"},
    {SimFault::WrongByteCount, "wrong-byte-count", 0,
     "answer a read with a byte count 2 higher than the bytes it carries"},
    {SimFault::WrongSlave, "wrong-slave", 0, "answer with the slave address one higher"},
    {SimFault::WrongFunction, "wrong-function", 0, "answer function 3 as 4, 4 as 3 and 16 as 6"},
    {SimFault::ShortWriteEcho, "short-write-echo", 0,
     "acknowledge a write with one register fewer than written (the write takes effect)"},
    {SimFault::LateReply, "late-reply", 300,
     "send the reply this late (parameter: delay in ms, default 300)"},
    {SimFault::XmEotAtOnce, "xm-eot-at-once", 0,
     "answer \"C\" with EOT instead of the first block"},
    {SimFault::XmBadBlockCrc, "xm-bad-block-crc", 1,
     "corrupt the CRC of one block (parameter: block number, default 1)"},
    {SimFault::XmShortBlock, "xm-short-block", 1,
     "send one block as a 128-byte XMODEM block (parameter: block number, default 1)"},
    {SimFault::XmStrayBytes, "xm-stray-bytes", 1,
     "follow one block by stray bytes (parameter: block number, default 1)"},
    {SimFault::XmSilence, "xm-silence", 0, "send nothing at all after \"C\""},
    {SimFault::XmTrailingBytes, "xm-trailing-bytes", 300,
     "after the final ACK send a byte every 10 ms (parameter: for ms, default 300)"},
}};

} // namespace

bool isXmodemFault(SimFault fault)
{
    return fault >= SimFault::XmEotAtOnce;
}

int defaultFaultParameter(SimFault fault)
{
    for (const FaultEntry &entry : kFaults) {
        if (entry.fault == fault)
            return entry.defaultParameter;
    }
    return 0;
}

bool faultFromName(const QString &name, SimFault *fault)
{
    for (const FaultEntry &entry : kFaults) {
        if (name == QLatin1String(entry.name)) {
            *fault = entry.fault;
            return true;
        }
    }
    return false;
}

QStringList faultNames()
{
    QStringList names;
    for (const FaultEntry &entry : kFaults)
        names << QLatin1String(entry.name);
    return names;
}

QStringList faultDescriptions()
{
    QStringList lines;
    for (const FaultEntry &entry : kFaults)
        lines << QLatin1String(entry.name) + QLatin1String(": ") + QLatin1String(entry.description);
    return lines;
}
