#pragma once

#include "tools/tq17sim/faultplan.h"

#include <QByteArray>
#include <functional>

class Line;

// Puts a Modbus reply on the line, spoilt the way the fault says.
class ReplySender
{
public:
    ReplySender(Line &line, int baud) : line_(line), baud_(baud) {}

    // keepGoing is asked during an endless line whether to carry on.
    void send(const QByteArray &reply, const FaultPlan::Shot &fault,
              const std::function<bool()> &keepGoing);

private:
    void sendInPieces(const QByteArray &reply, int gapMs);
    void sendEndless(const QByteArray &reply, int durationMs,
                     const std::function<bool()> &keepGoing);
    static QByteArray overlong(const QByteArray &reply, int length);

    Line &line_;
    const int baud_;
};
