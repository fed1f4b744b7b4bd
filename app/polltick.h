#ifndef POLLTICK_H
#define POLLTICK_H

#include "controller/controllercore.h"
#include "journal/writelog.h"

#include <QByteArray>
#include <array>
#include <memory>

class Journal;
class LinkWorker;

using ChannelRecords = std::array<ChannelRecord, MAX_CHANNELS>;

// A range write: read, listed to the user, then written once confirmed. A save asked for
// together with it goes out after it, and not at all when the write does not go ahead.
struct WritePlan : RangeWrite {
    using RangeWrite::RangeWrite;
    bool saveAfter = false;
    // "Сравнить": listed only, never written.
    bool compareOnly = false;
};

// What a tick is asked to do, taken from the window when the tick is handed to the worker.
struct TickInput {
    quint32 requests = 0; // PollRequest bits
    quint32 factoryNumber = 0;
    int hwVersionIndex = 0;
    quint32 clock = 0;
    bool clockSynced = false; // the clock is set to the PC's time
    QString hwVersionText;
    int firstChan = 1;
    int lastChan = 1;
    int archiveNumber = 0;
    quint16 writeChannel = 0;
    std::shared_ptr<ChannelRecords> records; // the window's records when the tick began
    // Set: the range write goes ahead with these; unset: it first shows what it would change.
    std::shared_ptr<const WritePlan> confirmedWrite;
    // The range write's read is for "Сравнить": listed, not written.
    bool compareOnly = false;
    LinkIdentity identity;
};

// How a long operation ended.
enum class Ending { Done, Cancelled, Stopped, LinkFailed };

// The window's side of a tick: each call runs on the GUI thread, after the calls before it.
class PollView
{
public:
    virtual ~PollView() = default;
    // A link check failed: the line is closed; disconnect and say "Ошибка связи".
    virtual void linkFailed() = 0;
    // The XMODEM line did not open: disconnect without a message.
    virtual void portLost() = 0;
    virtual void factoryNumberRead(quint32 number) = 0;
    virtual void deviceInfoRead(const DeviceInfo &info, std::shared_ptr<const ChannelRecords> records) = 0;
    virtual void clockRead(quint32 clock) = 0;
    virtual void hardwareVersionRead(quint16 version) = 0;
    virtual void liveValuesRead(std::shared_ptr<const ChannelRecords> records) = 0;
    virtual void rangeReadStarted() = 0;
    virtual void channelRead(int channel, const ChannelRecord &record, int progress) = 0;
    virtual void rangeReadEnded(Ending ending) = 0;
    // The read before a range write; at its end the controller's values of the range.
    virtual void writeCompareStarted() = 0;
    virtual void writeCompareProgress(int progress) = 0;
    virtual void writeCompared(Ending ending, std::shared_ptr<const WritePlan> plan) = 0;
    virtual void rangeWriteStarted() = 0;
    // The listed fields of the channel the controller took, and those it did not, as read back.
    virtual void channelWritten(int channel, int progress, const QVector<FieldChange> &taken,
                                const QVector<FieldChange> &refused) = 0;
    // changed: the channels not written since the controller changed them after the list.
    virtual void rangeWriteEnded(Ending ending, const QVector<int> &changed) = 0;
    // A device-wide write read back different from what was sent.
    virtual void writeNotTaken(const QString &line) = 0;
    virtual void journalFailed(const QString &error) = 0;
    // Another program holds the journal: entries wait in memory until it frees.
    virtual void journalBusy() = 0;
    // "Загрузить все": the events archive and every channel archive, one after another.
    virtual void archiveSetStarted(int archives) = 0;
    virtual void archiveSetEnded(ArchiveDownload::Outcome outcome) = 0;
    virtual void archiveStarted(int archiveNumber) = 0;
    virtual void archiveBlockReceived(int archiveNumber, const ArchiveDownload::Block &block) = 0;
    virtual void archiveProgress(int progress, int row) = 0;
    virtual void archiveEnded(int archiveNumber, ArchiveDownload::Outcome outcome,
                              const QByteArray &records, bool modbusReopened) = 0;
    // An operation that ends without a box: what it did, for the status bar.
    virtual void operationDone(const QString &text) = 0;
    // Requests the tick did not come to, to be served by a later tick.
    virtual void tickEnded(quint32 unserved) = 0;
};

// One poll tick, run in the worker thread: the steps in their fixed order, each only when
// requested, with a link check after most of them. A failed check ends the tick.
class PollTick
{
public:
    PollTick(LinkWorker &worker, PollView &view, Journal &journal, const TickInput &input);
    void run();

private:
    bool runStep(quint32 request);
    // True, after telling the view, when the operation failed its link: the line is closed.
    bool linkFailed(const Outcome &outcome);
    Context context();
    bool serveSerialNumSet();
    bool serveHwVerSet();
    bool serveDateTimeRead();
    bool serveDateTimeWrite();
    bool serveRead();
    bool serveWrite();
    bool compareBeforeWrite();
    bool writeConfirmed(const WritePlan &plan);
    bool serveSave();
    bool serveIdentify();
    bool serveArcLoad();
    bool serveArcLoadAll();
    // The view's side of a download; archiveEnded: the transfer of the last archive ran.
    ArchiveSteps archiveSteps();
    // False, after telling the view, when the download left the line closed.
    bool archiveLineHeld(const Outcome &outcome);
    bool serveWriteChan();
    bool serveDirectMode();
    // The end of a command step: when the line held, told in the status bar.
    bool commandEnded(const Outcome &outcome);
    void report(std::function<void(PollView &)> call);
    std::shared_ptr<const ChannelRecords> snapshot() const;

    LinkWorker &worker;
    PollView &view;
    TickInput input;
    ControllerCore &controller;
    ChannelRecords &records;
    WriteLog log;
    bool archiveEnded = false;
    ArchiveResult lastArchive;
};

#endif
