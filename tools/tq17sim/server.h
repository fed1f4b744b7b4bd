#pragma once

#include "tools/tq17sim/modbusengine.h"
#include "tools/tq17sim/replysender.h"
#include "tools/tq17sim/xmodemsender.h"

#include <QByteArray>
#include <atomic>

class ArchiveSource;
class Controller;
class FaultPlan;
class Line;

// The serving loop of the simulator's thread: cuts requests out of the line, has the controller
// answer them, sends the replies, and runs an archive upload when one is commanded.
class Server
{
public:
    Server(Line &line, Controller &controller, FaultPlan &faults, const ArchiveSource &archives,
           int slaveAddress, int baud);

    bool isReady() const { return engine_.isValid(); }
    // Returns when the line is asked to stop.
    void run();

    int requestCount() const { return requests_; }
    int completedUploads() const { return completedUploads_; }
    bool uploadActive() const { return uploading_; }

private:
    void serve(const QByteArray &request);
    static int exceptionFor(const QByteArray &request, const FaultPlan::Shot &fault);
    void upload(int archive);

    Line &line_;
    Controller &controller_;
    FaultPlan &faults_;
    const ArchiveSource &archives_;
    const int slaveAddress_;
    ModbusEngine engine_;
    ReplySender replies_;
    XmodemSender xmodem_;
    std::atomic<int> requests_{0};
    std::atomic<int> completedUploads_{0};
    std::atomic<bool> uploading_{false};
};
