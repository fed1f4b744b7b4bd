#ifndef CONTROLLERCORE_H
#define CONTROLLERCORE_H

#include "controller/linksettings.h"
#include "controller/outcome.h"
#include "controller/archivedownload.h"
#include "controller/controllerlink.h"
#include "controller/rangewrite.h"
#include "link/modbus.h"
#include "link/xmodem_line.h"

class WriteLog;

// What a connection learns of the controller first.
struct Identification {
    bool numberRead = false; // the factory number came, even when the device block did not
    quint32 factoryNumber = 0;
    DeviceInfo info;
};

// The steps of a range read the caller shows as they come.
struct RangeReadSteps {
    // The live values were read, or their read failed part way.
    std::function<void()> liveValuesRead;
    // The device block was read; the channels come next.
    std::function<void(const DeviceInfo &)> deviceInfoRead;
    std::function<void(int channel, int progress)> channelRead;
};

// What one archive download brought.
struct ArchiveResult {
    ArchiveDownload::Outcome transfer = ArchiveDownload::Outcome::Complete;
    QByteArray records;    // as the controller sent them, before the end of transfer
    bool reopened = false; // the Modbus line works again
};

struct ArchiveSteps {
    // The controller took the request: the transfer begins.
    std::function<void(int archive)> started;
    std::function<void(int archive, const ArchiveDownload::Block &)> blockReceived;
    std::function<void(int progress, int row)> progress;
    std::function<void(int archive, const ArchiveResult &)> ended;
};

// The steps of an operation a caller hears of (RangeReadSteps, ArchiveSteps, the callbacks) may
// be left empty.

// The connected controller and everything done with it, for the window and for tq17ctl alike.
// It owns the serial lines; each operation runs on the thread they live in, returns how it
// ended, and journals the writes it makes before its next exchange. A link failure closes the
// Modbus line at once, so no later exchange reaches the controller.
class ControllerCore
{
public:
    ControllerCore() = default;
    ControllerCore(const ControllerCore &) = delete;
    ControllerCore &operator=(const ControllerCore &) = delete;

    int devType() const { return type; }
    int channelCount() const { return CHANNEL_COUNTS[type]; }
    bool isOpen() const { return mbLine.isOpen; }

    // Opens the port with the settings; PortFailed names the port.
    Outcome open(const LinkSettings &settings);
    void close();
    // The factory number, then the device block into the records.
    Outcome identify(Identification &identification, ChannelRecord *records);
    // Asks every address from..to for its factory number, each given timeoutMs to answer;
    // Failed when none answered. The line keeps its own address and timeout afterwards.
    Outcome scan(int from, int to, int timeoutMs, const Context &context,
                 const std::function<void(int address)> &asking,
                 const std::function<void(int address, quint32 number)> &found);

    // Clock, hardware version and the channels' state and archive-mode bits.
    Outcome readDeviceInfo(DeviceInfo &info, ChannelRecord *records);
    // Live values, the device block, then the channels first..last (0-based) one by one.
    Outcome readRange(int first, int last, ChannelRecord *records, const Context &context,
                      const RangeReadSteps &steps);
    // The controller's blocks of the write's range, which it then lists against.
    Outcome readForWrite(RangeWrite &write, const Context &context);
    // Writes the listed channels, each read back and journalled; a cancel is looked at between
    // channels. NotTaken carries the refused fields; changed, the channels not written.
    Outcome writeRange(
        const RangeWrite &write, WriteLog &log, const Context &context,
        const std::function<void(int channel, int progress, const QVector<FieldChange> &taken,
                                 const QVector<FieldChange> &refused)> &written);
    // One edited cell, read back; NotTaken carries the field.
    Outcome writeCell(const RegisterPatch &patch, const FieldChange &change, WriteLog &log);

    // before: the number the journal shows as replaced.
    Outcome writeFactoryNumber(quint32 number, const QString &before, WriteLog &log);
    Outcome writeHardwareVersion(int versionIndex, const QString &versionText, WriteLog &log);
    // Writes the clock and reads it back into held; synced: to the computer's time.
    Outcome setClock(quint32 seconds, bool synced, quint32 &held, WriteLog &log);
    Outcome saveSettings(WriteLog &log);
    Outcome writeToChannel(quint16 channel, WriteLog &log);
    Outcome directAccess(WriteLog &log);

    // Archive 0 (events) or k (channel k) over XMODEM, the Modbus line reopened afterwards
    // unless stopping. steps.ended comes once the transfer has run.
    Outcome downloadArchive(int archive, const Context &context, const ArchiveSteps &steps);
    // The events archive and every channel archive, ending at the first that does not come
    // whole; Cancelled between archives too.
    Outcome downloadAll(const Context &context, const ArchiveSteps &steps);

    modbus mbLine;
    xmodem_line xmLine;

private:
    ControllerLink link() { return ControllerLink(mbLine, type); }
    // After an exchange: the Modbus line closed and LinkFailed when it failed.
    bool failed();
    void recordTransfer(int archive, int blocks, ArchiveDownload::Outcome transfer);
    Outcome command(const QString &field, const QString &sent, WriteLog &log,
                    const QString &doneText);

    int type = 0;
};

#endif
