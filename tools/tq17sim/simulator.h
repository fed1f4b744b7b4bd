#pragma once

#include "tools/tq17sim/archivesource.h"
#include "tools/tq17sim/faultplan.h"
#include "tools/tq17sim/pseudoterminal.h"
#include "tools/tq17sim/registerwrite.h"
#include "tools/tq17sim/simfault.h"

#include <QString>
#include <QVector>
#include <memory>
#include <thread>

class Controller;
class Line;
class Server;

// The TQ-17 controller simulator: a Modbus RTU slave (functions 03, 04, 16) and XMODEM-1K archive
// sender on a pseudo-terminal, served from a thread of its own. All members are thread-safe
// except start() and stop(), which belong to the thread that owns the object.
//
// Register addresses are zero-based. Holding 1..2 are the clock (low word first; it ticks and
// restarts from any value written), 7 the hardware version, 12.. the channel masks, 32/33 the
// command and argument registers, 50*(c+1).. the 50-register block of channel index c. Input 1..2
// hold the factory number (high word first), 4.. the channel status words, then concentrations,
// ADC and PWM values at the model's bases; the last three drift over time unless set here.
// Every register the configuration tool does not own holds InitialImage::holdingFiller(address)
// or InitialImage::inputFiller(address).
class Simulator
{
public:
    using Fault = SimFault;
    using Write = RegisterWrite;

    struct Options {
        int deviceType = 32;  // 32 or 64 channels
        int slaveAddress = 1; // requests to other addresses get no answer
        int paceBaud = 0;     // 0: write at once; else as fast as this baud rate carries
        QString archiveDir;   // upload files from here; empty: generate archives
        int generatedRecords = 16000;
        QString stateFile; // register image loaded at start, saved by command 16
        QString linkPath;  // symbolic link to the port, removed again by stop()
        QVector<int> readOnlyRegisters; // holding registers that ignore writes
        quint32 factoryNumber = 123456;
    };

    Simulator();
    explicit Simulator(const Options &options);
    ~Simulator(); // stops serving and closes the port
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Opens the port and starts serving; on failure errorString() says why.
    bool start();
    void stop();
    QString errorString() const { return error_; }
    // The port to open, valid after start().
    QString portPath() const { return pty_.slavePath(); }

    // Fault for the requests (XMODEM faults: the uploads) after the first afterRequests ones,
    // hitting count of them (0 = all); parameter 0 means the default given in SimFault.
    void setFault(Fault fault, int afterRequests = 0, int parameter = 0, int count = 1);

    quint16 holdingRegister(int address) const;
    void setHoldingRegister(int address, quint16 value);
    quint16 inputRegister(int address) const;
    // Also stops a live value from drifting.
    void setInputRegister(int address, quint16 value);
    quint32 factoryNumber() const;
    // Writes to this holding register are answered as taken but change nothing.
    void setReadOnly(int address);

    // Every register written by function 16, in order, and every command code written to
    // register 32; cleared together.
    QVector<Write> writeLog() const;
    QVector<int> commandLog() const;
    void clearLogs();

    int requestCount() const;     // Modbus requests received, to any address
    int completedUploads() const; // uploads whose final EOT was acknowledged
    bool archiveUploadActive() const;

private:
    const Options options_;
    const std::unique_ptr<Controller> controller_;
    const ArchiveSource archives_;
    FaultPlan faults_;
    PseudoTerminal pty_;
    std::unique_ptr<Line> line_;
    std::unique_ptr<Server> server_;
    std::thread thread_;
    QString error_;
};
