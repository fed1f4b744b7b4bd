#include "tools/tq17sim/simulator.h"

#include "tools/tq17sim/controller.h"
#include "tools/tq17sim/line.h"
#include "tools/tq17sim/server.h"

Simulator::Simulator() : Simulator(Options()) {}

Simulator::Simulator(const Options &options)
    : options_(options),
      controller_(std::make_unique<Controller>(DeviceLayout::forType(options.deviceType),
                                               options.factoryNumber, options.stateFile)),
      archives_(options.archiveDir, options.generatedRecords)
{
    for (int address : options.readOnlyRegisters)
        controller_->setReadOnly(address);
}

void Simulator::setReadOnly(int address)
{
    controller_->setReadOnly(address);
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start()
{
    if (thread_.joinable())
        return true;
    if (!pty_.open(options_.linkPath)) {
        error_ = pty_.errorString();
        return false;
    }
    line_ = std::make_unique<Line>(pty_.masterFd(), pty_.watch());
    server_ = std::make_unique<Server>(*line_, *controller_, faults_, archives_,
                                       options_.slaveAddress, options_.paceBaud);
    if (!server_->isReady()) {
        error_ = QStringLiteral("cannot set up the libmodbus context");
        pty_.close();
        return false;
    }
    thread_ = std::thread([this] { server_->run(); });
    return true;
}

void Simulator::stop()
{
    if (!thread_.joinable())
        return;
    line_->requestStop();
    thread_.join();
    pty_.close();
}

void Simulator::setFault(Fault fault, int afterRequests, int parameter, int count)
{
    faults_.set(fault, afterRequests, parameter, count);
}

quint16 Simulator::holdingRegister(int address) const
{
    return controller_->holding(address);
}

void Simulator::setHoldingRegister(int address, quint16 value)
{
    controller_->setHolding(address, value);
}

quint16 Simulator::inputRegister(int address) const
{
    return controller_->input(address);
}

void Simulator::setInputRegister(int address, quint16 value)
{
    controller_->setInput(address, value);
}

quint32 Simulator::factoryNumber() const
{
    return quint32(inputRegister(DeviceLayout::kFactoryHigh)) << 16 |
           inputRegister(DeviceLayout::kFactoryLow);
}

QVector<Simulator::Write> Simulator::writeLog() const
{
    return controller_->writeLog();
}

QVector<int> Simulator::commandLog() const
{
    return controller_->commandLog();
}

void Simulator::clearLogs()
{
    controller_->clearLogs();
}

int Simulator::requestCount() const
{
    return server_ ? server_->requestCount() : 0;
}

int Simulator::completedUploads() const
{
    return server_ ? server_->completedUploads() : 0;
}

bool Simulator::archiveUploadActive() const
{
    return server_ && server_->uploadActive();
}
