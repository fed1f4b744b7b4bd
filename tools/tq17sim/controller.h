#pragma once

#include "tools/tq17sim/deviceclock.h"
#include "tools/tq17sim/devicelayout.h"
#include "tools/tq17sim/registerimage.h"
#include "tools/tq17sim/registerwrite.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVector>
#include <chrono>
#include <mutex>

class ModbusEngine;

// The controller behind the Modbus interface: its registers, clock, live values and commands,
// and the record of what was written to it. Every public member is thread-safe.
class Controller
{
public:
    // Loads the state file when one is named and exists; otherwise starts from InitialImage.
    Controller(const DeviceLayout &layout, quint32 factoryNumber, const QString &stateFile);

    quint16 holding(int address);
    void setHolding(int address, quint16 value);
    quint16 input(int address);
    // Also stops the register from drifting, so a test's value stays as set.
    void setInput(int address, quint16 value);
    // Writes to the holding register are answered as taken but leave it as it is.
    void setReadOnly(int address);

    QVector<RegisterWrite> writeLog() const;
    QVector<int> commandLog() const;
    void clearLogs();

    // Unit and decimals of every channel in the archive record's scale byte layout.
    QVector<quint8> channelScales();

    struct Outcome {
        QByteArray reply;
        int archive = -1; // >= 0: the request started the upload of this archive
    };
    // Serves one request frame addressed to this controller; with ignoreWrite a write is
    // acknowledged but changes nothing, as a controller that refuses the values does.
    Outcome exchange(ModbusEngine &engine, const QByteArray &request, int exceptionCode,
                     bool ignoreWrite = false);

private:
    void refresh();
    void restartClockIfWritten(int first, int count);
    int recordWrite(const QByteArray &request);
    // Puts back what a write changed in the read-only registers.
    void restoreReadOnly(const QVector<quint16> &before);
    int runCommand(int code);

    mutable std::mutex mutex_;
    const DeviceLayout layout_;
    const QString stateFile_;
    const std::chrono::steady_clock::time_point started_;
    RegisterImage image_;
    DeviceClock clock_;
    QSet<int> pinnedInputs_;
    QSet<int> readOnly_;
    QVector<RegisterWrite> writes_;
    QVector<int> commands_;
};
