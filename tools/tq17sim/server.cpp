#include "tools/tq17sim/server.h"

#include "tools/tq17sim/archivesource.h"
#include "tools/tq17sim/controller.h"
#include "tools/tq17sim/faultplan.h"
#include "tools/tq17sim/line.h"
#include "tools/tq17sim/requestframer.h"

namespace {

// A request cut short, or garbage, is dropped once the line has been quiet this long.
constexpr int kSilenceMs = 50;
constexpr int kIdleWaitMs = 1000;
// No Modbus RTU frame is longer.
constexpr int kMaxFrame = 256;
// The archive line runs at this rate whatever the Modbus baud rate is.
constexpr int kXmodemBaud = 115200;

} // namespace

Server::Server(Line &line, Controller &controller, FaultPlan &faults, const ArchiveSource &archives,
               int slaveAddress, int baud)
    : line_(line), controller_(controller), faults_(faults), archives_(archives),
      slaveAddress_(slaveAddress), engine_(slaveAddress), replies_(line, baud),
      xmodem_(line, baud > 0 ? kXmodemBaud : 0)
{}

void Server::run()
{
    while (!line_.stopping()) {
        const QByteArray &input = line_.input();
        const int length = RequestFramer::frameLength(input);
        if (length > 0 && input.size() >= length) {
            const QByteArray request = input.left(length);
            line_.drop(length);
            serve(request);
        } else if (input.size() > kMaxFrame) {
            line_.drop(input.size());
        } else if (!line_.fill(input.isEmpty() ? kIdleWaitMs : kSilenceMs) && !input.isEmpty()) {
            const QByteArray rest = input;
            line_.drop(rest.size());
            if (length == RequestFramer::kUntilSilence)
                serve(rest);
        }
    }
}

void Server::serve(const QByteArray &request)
{
    ++requests_;
    if (quint8(request[0]) != slaveAddress_)
        return;
    const FaultPlan::Shot fault = faults_.onRequest();
    if (fault.fault == SimFault::ForeignWrite)
        controller_.setHolding(fault.parameter, quint16(controller_.holding(fault.parameter) + 1));
    const Controller::Outcome outcome =
        controller_.exchange(engine_, request, exceptionFor(request, fault),
                             fault.fault == SimFault::IgnoreWrite);
    if (outcome.archive >= 0)
        uploading_ = true;
    const int generation = faults_.generation();
    replies_.send(outcome.reply, fault, [&] { return faults_.generation() == generation; });
    if (outcome.archive >= 0)
        upload(outcome.archive);
}

// libmodbus alone would also serve functions the controller does not have.
int Server::exceptionFor(const QByteArray &request, const FaultPlan::Shot &fault)
{
    if (!RequestFramer::isServedFunction(quint8(request[1])))
        return MODBUS_EXCEPTION_ILLEGAL_FUNCTION;
    return fault.fault == SimFault::ExceptionReply ? fault.parameter : 0;
}

void Server::upload(int archive)
{
    const FaultPlan::Shot fault = faults_.onUpload();
    if (xmodem_.send(archives_.archive(archive, controller_.channelScales()), fault))
        ++completedUploads_;
    uploading_ = false;
}
