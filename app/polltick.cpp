#include "app/polltick.h"

#include "app/linkworker.h"
#include "device/data.h"
#include "journal/journal.h"

namespace {

Ending endingOf(const Outcome &outcome)
{
    switch (outcome.kind) {
    case Outcome::Kind::Cancelled: return Ending::Cancelled;
    case Outcome::Kind::Stopped: return Ending::Stopped;
    case Outcome::Kind::LinkFailed: return Ending::LinkFailed;
    default: break;
    }
    return Ending::Done;
}

} // namespace

PollTick::PollTick(LinkWorker &worker, PollView &view, Journal &journal, const TickInput &input)
    : worker(worker), view(view), input(input), controller(worker.controller()),
      records(*this->input.records),
      log(
          journal, input.identity,
          [this](const QString &error) {
              report([error](PollView &v) { v.journalFailed(error); });
          },
          [this] { report([](PollView &v) { v.journalBusy(); }); })
{
}

void PollTick::report(std::function<void(PollView &)> call)
{
    PollView *target = &view;
    worker.report([target, call = std::move(call)] { call(*target); });
}

std::shared_ptr<const ChannelRecords> PollTick::snapshot() const
{
    return std::make_shared<const ChannelRecords>(records);
}

Context PollTick::context()
{
    Context context;
    context.cancelled = [this] { return worker.cancelled(); };
    context.stopping = [this] { return worker.stopping(); };
    return context;
}

// A step that returns false ends the tick; the requests after it stay pending.
void PollTick::run()
{
    for (quint32 request = REQ_SERIAL_NUM_SET; request <= REQ_DIRECT_MODE; request <<= 1) {
        if (!(input.requests & request))
            continue;
        const bool served = runStep(request);
        const quint32 later = input.requests & ~((request << 1) - 1);
        if (!served || worker.stopping()) {
            report([later](PollView &v) { v.tickEnded(later); });
            return;
        }
    }
    report([](PollView &v) { v.tickEnded(0); });
}

bool PollTick::runStep(quint32 request)
{
    switch (request) {
    case REQ_SERIAL_NUM_SET: return serveSerialNumSet();
    case REQ_HW_VER_SET: return serveHwVerSet();
    case REQ_DATE_TIME_READ: return serveDateTimeRead();
    case REQ_DATE_TIME_WRITE: return serveDateTimeWrite();
    case REQ_READ: return serveRead();
    case REQ_WRITE: return serveWrite();
    case REQ_SAVE: return serveSave();
    case REQ_IDENTIFY: return serveIdentify();
    case REQ_ARC_LOAD: return serveArcLoad();
    case REQ_ARC_LOAD_ALL: return serveArcLoadAll();
    case REQ_WRITE_CHAN: return serveWriteChan();
    default: return serveDirectMode();
    }
}

bool PollTick::linkFailed(const Outcome &outcome)
{
    if (!outcome.linkFailed())
        return false;
    report([](PollView &v) { v.linkFailed(); });
    return true;
}

bool PollTick::serveSerialNumSet()
{
    const Outcome outcome =
        controller.writeFactoryNumber(input.factoryNumber, input.identity.factoryNumber, log);
    if (outcome.kind == Outcome::Kind::NotTaken)
        report([line = outcome.lines.first()](PollView &v) { v.writeNotTaken(line); });
    return !linkFailed(outcome);
}

bool PollTick::serveHwVerSet()
{
    return !linkFailed(
        controller.writeHardwareVersion(input.hwVersionIndex, input.hwVersionText, log));
}

bool PollTick::serveDateTimeRead()
{
    DeviceInfo info;
    if (linkFailed(controller.readDeviceInfo(info, records.data())))
        return false;
    report([info, all = snapshot()](PollView &v) {
        v.deviceInfoRead(info, all);
        v.clockRead(info.clock);
    });
    return true;
}

bool PollTick::serveDateTimeWrite()
{
    quint32 held = 0;
    const Outcome outcome = controller.setClock(input.clock, input.clockSynced, held, log);
    if (outcome.kind == Outcome::Kind::NotTaken)
        report([line = outcome.lines.first()](PollView &v) { v.writeNotTaken(line); });
    else if (!outcome.linkFailed())
        report([text = outcome.text](PollView &v) { v.operationDone(text); });
    return !linkFailed(outcome);
}

// A link error in the channel loop ends the loop, not the tick: the completion box is shown
// and the later steps find the line closed.
bool PollTick::serveRead()
{
    bool channelsBegun = false;
    RangeReadSteps steps;
    steps.liveValuesRead = [this] {
        report([all = snapshot()](PollView &v) { v.liveValuesRead(all); });
    };
    steps.deviceInfoRead = [this, &channelsBegun](const DeviceInfo &info) {
        report([info, all = snapshot()](PollView &v) { v.deviceInfoRead(info, all); });
        channelsBegun = true;
        worker.clearCancel();
        report([](PollView &v) { v.rangeReadStarted(); });
    };
    steps.channelRead = [this](int channel, int progress) {
        report([channel, record = records[size_t(channel)], progress](PollView &v) {
            v.channelRead(channel, record, progress);
        });
    };
    const Outcome outcome = controller.readRange(input.firstChan - 1, input.lastChan - 1,
                                                 records.data(), context(), steps);
    if (linkFailed(outcome) && !channelsBegun)
        return false;
    report([ending = endingOf(outcome)](PollView &v) { v.rangeReadEnded(ending); });
    return true;
}

bool PollTick::serveWrite()
{
    if (input.confirmedWrite)
        return writeConfirmed(*input.confirmedWrite);
    return compareBeforeWrite();
}

// The range's registers are read as they are: the list is made from them and from the records
// as the window holds them when the read ends.
bool PollTick::compareBeforeWrite()
{
    if (input.firstChan < 1)
        input.firstChan = 1;
    auto plan = std::make_shared<WritePlan>(controller.devType(), input.firstChan - 1,
                                            input.lastChan - 1);
    plan->compareOnly = input.compareOnly;
    if (!plan->compareOnly) {
        plan->saveAfter = input.requests & REQ_SAVE;
        input.requests &= ~REQ_SAVE;
    }
    worker.clearCancel();
    report([](PollView &v) { v.writeCompareStarted(); });
    Context compare = context();
    compare.progress = [this](int progress) {
        report([progress](PollView &v) { v.writeCompareProgress(progress); });
    };
    const Outcome outcome = controller.readForWrite(*plan, compare);
    const bool failed = linkFailed(outcome);
    const Ending ending = endingOf(outcome);
    report([ending, plan](PollView &v) {
        v.writeCompared(ending, ending == Ending::Done ? plan : nullptr);
    });
    return !failed;
}

// A cancel is looked at only between channels; a save asked for with the write goes out after
// it, and not at all when the write does not end.
bool PollTick::writeConfirmed(const WritePlan &plan)
{
    worker.clearCancel();
    report([](PollView &v) { v.rangeWriteStarted(); });
    const Outcome outcome = controller.writeRange(
        plan, log, context(),
        [this](int channel, int progress, const QVector<FieldChange> &taken,
               const QVector<FieldChange> &refused) {
            report([channel, progress, taken, refused](PollView &v) {
                v.channelWritten(channel, progress, taken, refused);
            });
        });
    if (linkFailed(outcome)) {
        report([](PollView &v) { v.rangeWriteEnded(Ending::LinkFailed, {}); });
        return false;
    }
    const Ending ending = endingOf(outcome);
    if (ending == Ending::Done && plan.saveAfter)
        input.requests |= REQ_SAVE;
    report([ending, changed = outcome.changed](PollView &v) { v.rangeWriteEnded(ending, changed); });
    return true;
}

bool PollTick::serveSave()
{
    return commandEnded(controller.saveSettings(log));
}

bool PollTick::commandEnded(const Outcome &outcome)
{
    if (linkFailed(outcome))
        return false;
    report([text = outcome.text](PollView &v) { v.operationDone(text); });
    return true;
}

bool PollTick::serveIdentify()
{
    Identification identification;
    const Outcome outcome = controller.identify(identification, records.data());
    if (identification.numberRead)
        report([number = identification.factoryNumber](PollView &v) {
            v.factoryNumberRead(number);
        });
    if (linkFailed(outcome))
        return false;
    report([info = identification.info, all = snapshot()](PollView &v) {
        v.deviceInfoRead(info, all);
        v.hardwareVersionRead(info.hwVer);
        v.clockRead(info.clock);
    });
    return true;
}

ArchiveSteps PollTick::archiveSteps()
{
    ArchiveSteps steps;
    steps.started = [this](int archive) {
        archiveEnded = false;
        report([archive](PollView &v) { v.archiveStarted(archive); });
    };
    steps.blockReceived = [this](int archive, const ArchiveDownload::Block &block) {
        report([archive, block](PollView &v) { v.archiveBlockReceived(archive, block); });
    };
    steps.progress = [this](int progress, int row) {
        report([progress, row](PollView &v) { v.archiveProgress(progress, row); });
    };
    steps.ended = [this](int archive, const ArchiveResult &result) {
        archiveEnded = true;
        lastArchive = result;
        report([archive, result](PollView &v) {
            v.archiveEnded(archive, result.transfer, result.records, result.reopened);
        });
    };
    return steps;
}

// The XMODEM line that did not open disconnects without a message; a Modbus line not reopened
// after a transfer was told with the transfer's end.
bool PollTick::archiveLineHeld(const Outcome &outcome)
{
    if (linkFailed(outcome))
        return false;
    if (outcome.kind == Outcome::Kind::PortFailed && !archiveEnded) {
        report([](PollView &v) { v.portLost(); });
        return false;
    }
    return !archiveEnded || lastArchive.reopened;
}

bool PollTick::serveArcLoad()
{
    worker.clearCancel();
    return archiveLineHeld(controller.downloadArchive(input.archiveNumber, context(), archiveSteps()));
}

// The set ends at the first archive that does not come whole.
bool PollTick::serveArcLoadAll()
{
    worker.clearCancel();
    report([archives = 1 + controller.channelCount()](PollView &v) {
        v.archiveSetStarted(archives);
    });
    const Outcome outcome = controller.downloadAll(context(), archiveSteps());
    if (!archiveLineHeld(outcome)) {
        report([](PollView &v) { v.archiveSetEnded(ArchiveDownload::Outcome::PortFailed); });
        return false;
    }
    ArchiveDownload::Outcome ended = ArchiveDownload::Outcome::Complete;
    if (outcome.kind != Outcome::Kind::Done)
        ended = lastArchive.transfer == ArchiveDownload::Outcome::Complete
                    ? ArchiveDownload::Outcome::Cancelled
                    : lastArchive.transfer;
    report([ended](PollView &v) { v.archiveSetEnded(ended); });
    return true;
}

bool PollTick::serveWriteChan()
{
    return commandEnded(controller.writeToChannel(input.writeChannel, log));
}

bool PollTick::serveDirectMode()
{
    return commandEnded(controller.directAccess(log));
}
