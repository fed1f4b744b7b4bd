#include "tools/tq17sim/controller.h"

#include "tools/tq17sim/initialimage.h"
#include "tools/tq17sim/livevalues.h"
#include "tools/tq17sim/modbusengine.h"

#include <QFile>

namespace {

enum Command {
    SaveSettings = 16,
    UploadArchive = 32,
    DirectAccess = 35,
    SetFactoryLow = 37,
    SetFactoryHigh = 38,
    SetHardwareVersion = 39,
    WriteToChannel = 48,
};

constexpr int kWriteMultiple = 16;

int word(const QByteArray &frame, int at)
{
    return quint8(frame[at]) << 8 | quint8(frame[at + 1]);
}

} // namespace

Controller::Controller(const DeviceLayout &layout, quint32 factoryNumber, const QString &stateFile)
    : layout_(layout), stateFile_(stateFile), started_(std::chrono::steady_clock::now())
{
    InitialImage::fill(image_, layout_, factoryNumber);
    if (!stateFile_.isEmpty() && QFile::exists(stateFile_) && !image_.load(stateFile_))
        qWarning("tq17sim: %s is no register image, starting afresh", qPrintable(stateFile_));
}

quint16 Controller::holding(int address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    refresh();
    return image_.holding(address);
}

void Controller::setHolding(int address, quint16 value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    refresh();
    image_.setHolding(address, value);
    restartClockIfWritten(address, 1);
}

quint16 Controller::input(int address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    refresh();
    return image_.input(address);
}

void Controller::setInput(int address, quint16 value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    pinnedInputs_.insert(address);
    image_.setInput(address, value);
}

QVector<RegisterWrite> Controller::writeLog() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

QVector<int> Controller::commandLog() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

void Controller::clearLogs()
{
    std::lock_guard<std::mutex> lock(mutex_);
    writes_.clear();
    commands_.clear();
}

QVector<quint8> Controller::channelScales()
{
    std::lock_guard<std::mutex> lock(mutex_);
    QVector<quint8> scales;
    // Configuration word: unit in bits 0..3, decimals in bits 4..5, as in the record.
    for (int c = 0; c < DeviceLayout::kMaxChannels; ++c)
        scales << quint8(image_.holding(DeviceLayout::channelBlock(c) + 3) & 0x3F);
    return scales;
}

Controller::Outcome Controller::exchange(ModbusEngine &engine, const QByteArray &request,
                                         int exceptionCode, bool ignoreWrite)
{
    std::lock_guard<std::mutex> lock(mutex_);
    refresh();
    QVector<quint16> before;
    for (int address : readOnly_)
        before << image_.holding(address);
    Outcome outcome;
    if (ignoreWrite && request.size() > 6 && request[1] == char(kWriteMultiple)) {
        // The reply is the one of a write that was taken; the registers get their values back.
        const int first = word(request, 2);
        QVector<quint16> kept;
        for (int i = 0; i < word(request, 4); ++i)
            kept.append(image_.holding(first + i));
        outcome.reply = engine.reply(request, image_.mapping(), exceptionCode);
        for (int i = 0; i < kept.size(); ++i)
            image_.setHolding(first + i, kept.at(i));
        return outcome;
    }
    outcome.reply = engine.reply(request, image_.mapping(), exceptionCode);
    if (outcome.reply.size() > 1 && outcome.reply[1] == char(kWriteMultiple)) {
        restoreReadOnly(before);
        outcome.archive = recordWrite(request);
    }
    return outcome;
}

void Controller::setReadOnly(int address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    readOnly_.insert(address);
}

void Controller::restoreReadOnly(const QVector<quint16> &before)
{
    int k = 0;
    for (int address : readOnly_)
        image_.setHolding(address, before.at(k++));
}

void Controller::refresh()
{
    const quint32 now = clock_.now();
    image_.setHolding(DeviceLayout::kClockLow, quint16(now));
    image_.setHolding(DeviceLayout::kClockHigh, quint16(now >> 16));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
    LiveValues::apply(image_, layout_, pinnedInputs_, elapsed.count());
}

void Controller::restartClockIfWritten(int first, int count)
{
    if (first <= DeviceLayout::kClockHigh && first + count > DeviceLayout::kClockLow)
        clock_.set(quint32(image_.holding(DeviceLayout::kClockLow)) |
                   quint32(image_.holding(DeviceLayout::kClockHigh)) << 16);
}

// Returns the archive to upload when the write carried that command, else -1.
int Controller::recordWrite(const QByteArray &request)
{
    const int first = word(request, 2);
    const int count = word(request, 4);
    for (int i = 0; i < count; ++i)
        writes_.append({first + i, quint16(word(request, 7 + 2 * i))});
    restartClockIfWritten(first, count);
    const bool commanded =
        first <= DeviceLayout::kCommand && first + count > DeviceLayout::kCommand;
    return commanded ? runCommand(image_.holding(DeviceLayout::kCommand)) : -1;
}

int Controller::runCommand(int code)
{
    commands_.append(code);
    const quint16 argument = image_.holding(DeviceLayout::kArgument);
    switch (code) {
    case SetFactoryHigh: image_.setInput(DeviceLayout::kFactoryHigh, argument); break;
    case SetFactoryLow: image_.setInput(DeviceLayout::kFactoryLow, argument); break;
    case SetHardwareVersion: image_.setHolding(DeviceLayout::kHardwareVersion, argument); break;
    case SaveSettings:
        if (!stateFile_.isEmpty() && !image_.save(stateFile_))
            qWarning("tq17sim: cannot save the register image to %s", qPrintable(stateFile_));
        break;
    case UploadArchive: return argument;
    case DirectAccess:
    case WriteToChannel:
    default:
        // Nothing to simulate beyond the command log.
        break;
    }
    return -1;
}
