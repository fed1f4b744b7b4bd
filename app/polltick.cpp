#include "app/polltick.h"

#include "app/linkworker.h"
#include "device/data.h"
#include "device/devicetext.h"
#include "device/registermap.h"
#include "journal/journal.h"

#include <algorithm>
#include <iterator>
#include "link/modbus.h"

namespace {

const QString FACTORY_NUMBER = QStringLiteral("Заводской номер");
const QString HW_VERSION = QStringLiteral("Аппаратная версия");
const QString SAVE = QStringLiteral("Сохранить в устройстве");
const QString WRITE_CHANNEL = QStringLiteral("Записать в канал");
const QString DIRECT_ACCESS = QStringLiteral("Прямой доступ");

} // namespace

PollTick::PollTick(LinkWorker &worker, PollView &view, Journal &journal, const TickInput &input)
    : worker(worker), view(view), input(input), link(input.devType), records(*this->input.records),
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

// The line is closed here at once, so no later exchange of this tick reaches the controller.
bool PollTick::checkLink()
{
    if (!ControllerLink::linkError())
        return false;
    mbLine.closePort();
    report([](PollView &v) { v.linkFailed(); });
    return true;
}

// Every write is checked: a refused or lost write must not look done. It is journalled before
// the next exchange.
bool PollTick::serveSerialNumSet()
{
    const QString before = input.identity.factoryNumber;
    const QString sent = QString::number(input.factoryNumber);
    quint32 held = 0;
    const bool identified =
        link.writeFactoryNumber(input.factoryNumber) && link.readFactoryNumber(held);
    if (ControllerLink::linkError()) {
        log.device(FACTORY_NUMBER, before, sent, Journal::LINK_ERROR);
        return !checkLink();
    }
    const bool taken = identified && held == input.factoryNumber;
    log.device(FACTORY_NUMBER, before, sent, taken ? Journal::OK : Journal::NOT_TAKEN);
    if (!taken) {
        const QString line =
            DeviceText::notTakenLine(FACTORY_NUMBER, sent, QString::number(held));
        report([line](PollView &v) { v.writeNotTaken(line); });
    }
    return true;
}

bool PollTick::serveHwVerSet()
{
    link.sendCommand(CMD_HW_VERSION, HW_VERSIONS[input.hwVersionIndex]);
    log.device(HW_VERSION, QString(), input.hwVersionText,
               ControllerLink::linkError() ? Journal::LINK_ERROR : Journal::OK);
    return !checkLink();
}

bool PollTick::serveDateTimeRead()
{
    DeviceInfo info;
    link.readDeviceInfo(info, records.data());
    if (checkLink())
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
    const bool taken = link.setClock(input.clock, held);
    if (ControllerLink::linkError()) {
        log.clock(input.clockSynced, input.clock, Journal::LINK_ERROR);
        return !checkLink();
    }
    log.clock(input.clockSynced, input.clock, taken ? Journal::OK : Journal::NOT_TAKEN);
    if (!taken) {
        const QString line = DeviceText::notTakenLine(WriteLog::clockField(input.clockSynced),
                                                      DeviceText::clockText(input.clock),
                                                      DeviceText::clockText(held));
        report([line](PollView &v) { v.writeNotTaken(line); });
    } else {
        report([sent = DeviceText::clockText(input.clock)](PollView &v) {
            v.operationDone(QStringLiteral("Часы установлены: ") + sent);
        });
    }
    return true;
}

int PollTick::rangeProgress(int channelIndex) const
{
    const int span = input.lastChan - input.firstChan - 1;
    return span == 0 ? 100 : 100 * (channelIndex - input.firstChan + 1) / span;
}

// A link error in the channel loop ends the loop, not the tick: the completion box is shown
// and the later steps find the line closed.
bool PollTick::serveRead()
{
    link.readLiveValues(records.data());
    report([all = snapshot()](PollView &v) { v.liveValuesRead(all); });
    if (checkLink())
        return false;
    DeviceInfo info;
    link.readDeviceInfo(info, records.data());
    if (checkLink())
        return false;
    report([info, all = snapshot()](PollView &v) { v.deviceInfoRead(info, all); });
    if (input.firstChan < 1)
        input.firstChan = 1;
    worker.clearCancel();
    report([](PollView &v) { v.rangeReadStarted(); });
    Ending ending = Ending::Done;
    for (int i = input.firstChan - 1; i < input.lastChan && i < link.channelCount(); ++i) {
        link.readChannel(i, records[size_t(i)]);
        if (checkLink()) {
            ending = Ending::LinkFailed;
            break;
        }
        report([i, record = records[size_t(i)], progress = rangeProgress(i)](PollView &v) {
            v.channelRead(i, record, progress);
        });
        if (worker.cancelled()) {
            ending = worker.stopping() ? Ending::Stopped : Ending::Cancelled;
            break;
        }
    }
    report([ending](PollView &v) { v.rangeReadEnded(ending); });
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
    auto plan = std::make_shared<WritePlan>(link.devType(), input.firstChan - 1, input.lastChan - 1);
    plan->saveAfter = input.requests & REQ_SAVE;
    input.requests &= ~REQ_SAVE;
    worker.clearCancel();
    report([](PollView &v) { v.writeCompareStarted(); });
    for (int i = plan->first(); i <= plan->last(); ++i) {
        link.readBlock(i, plan->held(i));
        if (checkLink()) {
            report([](PollView &v) { v.writeCompared(Ending::LinkFailed, nullptr); });
            return false;
        }
        report([progress = rangeProgress(i)](PollView &v) { v.writeCompareProgress(progress); });
        if (worker.cancelled()) {
            const Ending ending = worker.stopping() ? Ending::Stopped : Ending::Cancelled;
            report([ending](PollView &v) { v.writeCompared(ending, nullptr); });
            return true;
        }
    }
    report([plan](PollView &v) { v.writeCompared(Ending::Done, plan); });
    return true;
}

// Only channels with a listed change are written, each read back before the next: a cancel is
// looked at only between channels, and each listed field is journalled with what the controller
// made of it.
bool PollTick::writeConfirmed(const WritePlan &plan)
{
    worker.clearCancel();
    report([](PollView &v) { v.rangeWriteStarted(); });
    QVector<int> changed;
    for (int i = plan.first(); i <= plan.last(); ++i) {
        const QVector<FieldChange> changes = plan.changesOf(i);
        if (changes.isEmpty())
            continue;
        QVector<FieldChange> refused;
        switch (plan.writeChannel(link, i, refused)) {
        case RangeWrite::Outcome::LinkFailed:
            for (const FieldChange &change : changes)
                log.change(change, Journal::LINK_ERROR);
            checkLink();
            report([](PollView &v) { v.rangeWriteEnded(Ending::LinkFailed, {}); });
            return false;
        case RangeWrite::Outcome::ControllerChanged: changed << i; break;
        case RangeWrite::Outcome::Written: {
            log.written(changes, refused);
            QVector<FieldChange> taken;
            std::copy_if(changes.begin(), changes.end(), std::back_inserter(taken),
                         [&refused](const FieldChange &c) { return !WriteLog::refuses(refused, c); });
            report([i, progress = rangeProgress(i), taken, refused](PollView &v) {
                v.channelWritten(i, progress, taken, refused);
            });
            break;
        }
        }
        if (worker.cancelled()) {
            const Ending ending = worker.stopping() ? Ending::Stopped : Ending::Cancelled;
            report([ending, changed](PollView &v) { v.rangeWriteEnded(ending, changed); });
            return true;
        }
    }
    if (plan.saveAfter)
        input.requests |= REQ_SAVE;
    report([changed](PollView &v) { v.rangeWriteEnded(Ending::Done, changed); });
    return true;
}

bool PollTick::serveSave()
{
    link.sendCommand(CMD_SAVE_SETTINGS);
    return commandEnded(SAVE, QString(), QStringLiteral("Настройки сохранены в контроллере"));
}

bool PollTick::commandEnded(const QString &field, const QString &sent, const QString &doneText)
{
    log.device(field, QString(), sent,
               ControllerLink::linkError() ? Journal::LINK_ERROR : Journal::OK);
    if (checkLink())
        return false;
    report([doneText](PollView &v) { v.operationDone(doneText); });
    return true;
}

bool PollTick::serveIdentify()
{
    quint32 number = 0;
    const bool identified = link.readFactoryNumber(number);
    if (checkLink())
        return false;
    if (identified)
        report([number](PollView &v) { v.factoryNumberRead(number); });
    DeviceInfo info;
    link.readDeviceInfo(info, records.data());
    if (checkLink())
        return false;
    report([info, all = snapshot()](PollView &v) {
        v.deviceInfoRead(info, all);
        v.hardwareVersionRead(info.hwVer);
        v.clockRead(info.clock);
    });
    return true;
}

bool PollTick::serveArcLoad()
{
    worker.clearCancel();
    ArchiveDownload::Outcome outcome;
    return downloadArchive(input.archiveNumber, outcome);
}

// The set ends at the first archive that does not come whole.
bool PollTick::serveArcLoadAll()
{
    const int archives = 1 + link.channelCount();
    worker.clearCancel();
    report([archives](PollView &v) { v.archiveSetStarted(archives); });
    ArchiveDownload::Outcome outcome = ArchiveDownload::Outcome::Complete;
    for (int archive = 0; archive < archives; ++archive) {
        if (!downloadArchive(archive, outcome)) {
            report([](PollView &v) { v.archiveSetEnded(ArchiveDownload::Outcome::PortFailed); });
            return false;
        }
        if (outcome != ArchiveDownload::Outcome::Complete)
            break;
        if (worker.cancelled()) {
            outcome = ArchiveDownload::Outcome::Cancelled;
            break;
        }
    }
    report([outcome](PollView &v) { v.archiveSetEnded(outcome); });
    return true;
}

bool PollTick::downloadArchive(int archiveNumber, ArchiveDownload::Outcome &outcome)
{
    ArchiveDownload::request(archiveNumber);
    if (checkLink())
        return false;
    report([archiveNumber](PollView &v) { v.archiveStarted(archiveNumber); });
    ArchiveDownload::Callbacks callbacks;
    callbacks.blockReceived = [this, archiveNumber](const ArchiveDownload::Block &block) {
        report([archiveNumber, block](PollView &v) { v.archiveBlockReceived(archiveNumber, block); });
    };
    callbacks.progress = [this](int progress, int row) {
        report([progress, row](PollView &v) { v.archiveProgress(progress, row); });
    };
    callbacks.cancelled = [this] { return worker.cancelled(); };
    ArchiveDownload download;
    outcome = download.run(link.devType() == 1 ? 125 : 250, callbacks);
    if (outcome == ArchiveDownload::Outcome::PortFailed) {
        report([](PollView &v) { v.portLost(); });
        return false;
    }
    const bool reopened = !worker.stopping() && ArchiveDownload::reopenModbus();
    report([archiveNumber, outcome, records = download.records(), reopened](PollView &v) {
        v.archiveEnded(archiveNumber, outcome, records, reopened);
    });
    return reopened;
}

bool PollTick::serveWriteChan()
{
    link.sendCommand(CMD_WRITE_CHANNEL, input.writeChannel);
    return commandEnded(WRITE_CHANNEL, QString::number(input.writeChannel),
                        QStringLiteral("Команда записи в канал отправлена"));
}

bool PollTick::serveDirectMode()
{
    link.sendCommand(CMD_DIRECT_ACCESS);
    return commandEnded(DIRECT_ACCESS, QString(),
                        QStringLiteral("Прямой доступ: команда отправлена"));
}
