#include "tools/tq17sim/simfault.h"

#include <array>

namespace {

struct FaultEntry {
    SimFault fault;
    const char *name;
    int defaultParameter;
};

constexpr std::array<FaultEntry, 16> kFaults = {{
    {SimFault::None, "none", 0},
    {SimFault::NoReply, "no-reply", 0},
    {SimFault::BadCrc, "bad-crc", 0},
    {SimFault::ExceptionReply, "exception", 4},
    {SimFault::PiecesShortGaps, "pieces-short-gaps", 20},
    {SimFault::PiecesLongGaps, "pieces-long-gaps", 80},
    {SimFault::OverlongReply, "overlong-reply", 1500},
    {SimFault::EndlessLine, "endless-line", 5000},
    {SimFault::StopAnswering, "stop-answering", 0},
    {SimFault::IgnoreWrite, "ignore-write", 0},
    {SimFault::ForeignWrite, "foreign-write", 60},
    {SimFault::XmEotAtOnce, "xm-eot-at-once", 0},
    {SimFault::XmBadBlockCrc, "xm-bad-block-crc", 1},
    {SimFault::XmShortBlock, "xm-short-block", 1},
    {SimFault::XmStrayBytes, "xm-stray-bytes", 1},
    {SimFault::XmSilence, "xm-silence", 0},
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
