#include "controller/controllercore.h"

#include "device/devicetext.h"
#include "device/registermap.h"
#include "journal/journal.h"
#include "journal/writelog.h"

#include <QMap>
#include <algorithm>
#include <iterator>
#include <utility>

namespace {

const QString FACTORY_NUMBER = QStringLiteral("Заводской номер");
const QString HW_VERSION = QStringLiteral("Аппаратная версия");
const QString SAVE = QStringLiteral("Сохранить в устройстве");
const QString WRITE_CHANNEL = QStringLiteral("Записать в канал");
const QString DIRECT_ACCESS = QStringLiteral("Прямой доступ");

// Steps nobody asked to hear of are skipped.
template <typename Step, typename... Args> void tell(const Step &step, Args &&...args)
{
    if (step)
        step(std::forward<Args>(args)...);
}

// The progress bar's share after the channel, as the window has always counted it.
int rangeProgress(int first, int last, int channel)
{
    const int span = last - first - 1;
    return span == 0 ? 100 : 100 * (channel - first) / span;
}

} // namespace

bool ControllerCore::failed()
{
    if (!mbLine.linkError)
        return false;
    mbLine.closePort();
    return true;
}

Outcome ControllerCore::open(const LinkSettings &settings)
{
    type = settings.devType == 1 ? 1 : 0;
    mbLine.fastFrameEnd = settings.fast;
    mbLine.portName = settings.port;
    mbLine.baudRate = settings.baud;
    mbLine.mbAddr = settings.address;
    return mbLine.openPort() ? Outcome::done() : Outcome::portFailure(settings.port);
}

void ControllerCore::close()
{
    mbLine.closePort();
}

Outcome ControllerCore::identify(Identification &identification, ChannelRecord *records)
{
    identification.numberRead = link().readFactoryNumber(identification.factoryNumber);
    if (failed())
        return Outcome::linkFailure();
    return readDeviceInfo(identification.info, records);
}

// A silent address is no failure of the line, so it stays open.
Outcome ControllerCore::scan(int from, int to, int timeoutMs, const Context &context,
                             const std::function<void(int address)> &asking,
                             const std::function<void(int address, quint32 number)> &found)
{
    const quint8 ownAddress = mbLine.mbAddr;
    mbLine.firstByteTimeoutMs = timeoutMs;
    int answered = 0;
    for (int address = from; address <= to && !context.isCancelled(); ++address) {
        tell(asking, address);
        mbLine.mbAddr = quint8(address);
        quint32 number = 0;
        if (link().readFactoryNumber(number)) {
            tell(found, address, number);
            ++answered;
        }
    }
    mbLine.firstByteTimeoutMs = modbus_line::FIRST_BYTE_TIMEOUT_MS;
    mbLine.mbAddr = ownAddress;
    if (context.isCancelled())
        return context.cancelOutcome();
    return answered ? Outcome::done() : Outcome::failure(QStringLiteral("Контроллеры не найдены"));
}

Outcome ControllerCore::readDeviceInfo(DeviceInfo &info, ChannelRecord *records)
{
    link().readDeviceInfo(info, records);
    return failed() ? Outcome::linkFailure() : Outcome::done();
}

Outcome ControllerCore::readRange(int first, int last, ChannelRecord *records,
                                  const Context &context, const RangeReadSteps &steps)
{
    ControllerLink channels = link();
    channels.readLiveValues(records);
    tell(steps.liveValuesRead);
    if (failed())
        return Outcome::linkFailure();
    DeviceInfo info;
    const Outcome header = readDeviceInfo(info, records);
    if (header.linkFailed())
        return header;
    tell(steps.deviceInfoRead, info);
    first = std::max(first, 0);
    for (int i = first; i <= last && i < channelCount(); ++i) {
        channels.readChannel(i, records[i]);
        if (failed())
            return Outcome::linkFailure();
        tell(steps.channelRead, i, rangeProgress(first, last, i));
        if (context.isCancelled())
            return context.cancelOutcome();
    }
    return Outcome::done();
}

// The read is the one the list is made against: the controller's values when it ends.
Outcome ControllerCore::readForWrite(RangeWrite &write, const Context &context)
{
    ControllerLink channels = link();
    for (int i = write.first(); i <= write.last(); ++i) {
        channels.readBlock(i, write.held(i));
        if (failed())
            return Outcome::linkFailure();
        context.report(rangeProgress(write.first(), write.last(), i));
        if (context.isCancelled())
            return context.cancelOutcome();
    }
    return Outcome::done();
}

// Only channels with a listed change are written, each read back before the next, and each
// listed field is journalled with what the controller made of it.
Outcome ControllerCore::writeRange(const RangeWrite &write, WriteLog &log, const Context &context,
                                   const std::function<void(int, int, const QVector<FieldChange> &,
                                                            const QVector<FieldChange> &)> &written)
{
    ControllerLink channels = link();
    QVector<int> changed;
    QVector<FieldChange> allRefused;
    for (int i = write.first(); i <= write.last(); ++i) {
        const QVector<FieldChange> changes = write.changesOf(i);
        if (changes.isEmpty())
            continue;
        QVector<FieldChange> refused;
        switch (write.writeChannel(channels, i, refused)) {
        case RangeWrite::Outcome::LinkFailed:
            for (const FieldChange &change : changes)
                log.change(change, Journal::LINK_ERROR);
            failed();
            return Outcome::linkFailure();
        case RangeWrite::Outcome::ControllerChanged: changed << i; break;
        case RangeWrite::Outcome::Written: {
            log.written(changes, refused);
            QVector<FieldChange> taken;
            std::copy_if(
                changes.begin(), changes.end(), std::back_inserter(taken),
                [&refused](const FieldChange &c) { return !WriteLog::refuses(refused, c); });
            tell(written, i, rangeProgress(write.first(), write.last(), i), taken, refused);
            allRefused += refused;
            break;
        }
        }
        if (context.isCancelled()) {
            Outcome outcome = context.cancelOutcome();
            outcome.changed = changed;
            return outcome;
        }
    }
    Outcome outcome = allRefused.isEmpty() ? Outcome::done() : Outcome::notTaken({});
    outcome.refused = allRefused;
    outcome.changed = changed;
    return outcome;
}

Outcome ControllerCore::writeCell(const RegisterPatch &patch, const FieldChange &change,
                                  WriteLog &log)
{
    ControllerLink cells = link();
    cells.apply(patch);
    const bool taken = !cells.linkError() && cells.holds(patch);
    if (failed()) {
        log.change(change, Journal::LINK_ERROR);
        return Outcome::linkFailure();
    }
    log.change(change, taken ? Journal::OK : Journal::NOT_TAKEN);
    if (taken)
        return Outcome::done(ChannelDiff::describe(change) + QStringLiteral(" записано"));
    Outcome outcome = Outcome::notTaken({});
    outcome.refused = {change};
    return outcome;
}

// Every write is checked: a refused or lost write must not look done.
Outcome ControllerCore::writeFactoryNumber(quint32 number, const QString &before, WriteLog &log)
{
    const QString sent = QString::number(number);
    ControllerLink device = link();
    quint32 held = 0;
    const bool identified = device.writeFactoryNumber(number) && device.readFactoryNumber(held);
    if (failed()) {
        log.device(FACTORY_NUMBER, before, sent, Journal::LINK_ERROR);
        return Outcome::linkFailure();
    }
    const bool taken = identified && held == number;
    log.device(FACTORY_NUMBER, before, sent, taken ? Journal::OK : Journal::NOT_TAKEN);
    if (!taken)
        return Outcome::notTaken(
            {DeviceText::notTakenLine(FACTORY_NUMBER, sent, QString::number(held))});
    return Outcome::done();
}

Outcome ControllerCore::writeHardwareVersion(int versionIndex, const QString &versionText,
                                             WriteLog &log)
{
    link().sendCommand(CMD_HW_VERSION, HW_VERSIONS[versionIndex]);
    log.device(HW_VERSION, QString(), versionText,
               mbLine.linkError ? Journal::LINK_ERROR : Journal::OK);
    return failed() ? Outcome::linkFailure() : Outcome::done();
}

Outcome ControllerCore::setClock(quint32 seconds, bool synced, quint32 &held, WriteLog &log)
{
    const bool taken = link().setClock(seconds, held);
    if (failed()) {
        log.clock(synced, seconds, Journal::LINK_ERROR);
        return Outcome::linkFailure();
    }
    log.clock(synced, seconds, taken ? Journal::OK : Journal::NOT_TAKEN);
    if (!taken)
        return Outcome::notTaken(
            {DeviceText::notTakenLine(WriteLog::clockField(synced), DeviceText::clockText(seconds),
                                      DeviceText::clockText(held))});
    return Outcome::done(QStringLiteral("Часы установлены: ") + DeviceText::clockText(seconds));
}

Outcome ControllerCore::command(const QString &field, const QString &sent, WriteLog &log,
                                const QString &doneText)
{
    log.device(field, QString(), sent, mbLine.linkError ? Journal::LINK_ERROR : Journal::OK);
    return failed() ? Outcome::linkFailure() : Outcome::done(doneText);
}

Outcome ControllerCore::saveSettings(WriteLog &log)
{
    link().sendCommand(CMD_SAVE_SETTINGS);
    return command(SAVE, QString(), log, QStringLiteral("Настройки сохранены в контроллере"));
}

Outcome ControllerCore::writeToChannel(quint16 channel, WriteLog &log)
{
    link().sendCommand(CMD_WRITE_CHANNEL, channel);
    return command(WRITE_CHANNEL, QString::number(channel), log,
                   QStringLiteral("Команда записи в канал отправлена"));
}

Outcome ControllerCore::directAccess(WriteLog &log)
{
    link().sendCommand(CMD_DIRECT_ACCESS);
    return command(DIRECT_ACCESS, QString(), log,
                   QStringLiteral("Прямой доступ: команда отправлена"));
}

Outcome ControllerCore::downloadArchive(int archive, const Context &context,
                                        const ArchiveSteps &steps)
{
    ArchiveDownload download(mbLine, xmLine);
    download.request(archive);
    if (failed())
        return Outcome::linkFailure();
    tell(steps.started, archive);
    ArchiveDownload::Callbacks callbacks;
    callbacks.blockReceived = [&steps, archive](const ArchiveDownload::Block &block) {
        tell(steps.blockReceived, archive, block);
    };
    callbacks.progress = [&steps](int progress, int row) { tell(steps.progress, progress, row); };
    callbacks.cancelled = [&context] { return context.isCancelled(); };
    ArchiveResult result;
    result.transfer = download.run(type == 1 ? 125 : 250, callbacks);
    recordTransfer(archive, download.records().size() / ArchiveDownload::BLOCK_DATA_SIZE,
                   result.transfer);
    if (result.transfer == ArchiveDownload::Outcome::PortFailed)
        return Outcome::portFailure(mbLine.portName);
    result.reopened = !context.isStopping() && download.reopenModbus();
    result.records = download.records();
    tell(steps.ended, archive, result);
    if (!result.reopened)
        return context.isStopping() ? context.cancelOutcome()
                                    : Outcome::portFailure(mbLine.portName);
    switch (result.transfer) {
    case ArchiveDownload::Outcome::Complete: return Outcome::done();
    case ArchiveDownload::Outcome::Cancelled: return context.cancelOutcome();
    case ArchiveDownload::Outcome::NoReply:
        return Outcome::failure(QStringLiteral("Архив не загружен"));
    default: break;
    }
    return Outcome::failure(QStringLiteral("Архив загружен не полностью"));
}

// The line monitor shows a transfer as one line: its blocks are not Modbus exchanges. A block
// that fails ends the transfer, so there are no retries to count.
void ControllerCore::recordTransfer(int archive, int blocks, ArchiveDownload::Outcome transfer)
{
    if (!mbLine.traffic)
        return;
    static const QMap<ArchiveDownload::Outcome, QString> ENDINGS{
        {ArchiveDownload::Outcome::PortFailed, QStringLiteral("порт не открылся")},
        {ArchiveDownload::Outcome::NoReply, QStringLiteral("нет ответа")},
        {ArchiveDownload::Outcome::Broken, QStringLiteral("прерван")},
        {ArchiveDownload::Outcome::Cancelled, QStringLiteral("отменён")},
        {ArchiveDownload::Outcome::Complete, QStringLiteral("полностью")}};
    TrafficEntry entry;
    entry.time = QTime::currentTime();
    entry.result = TrafficResult::Transfer;
    entry.note = QStringLiteral("XMODEM, %1: блоков %2, %3")
                     .arg(archive == 0 ? QStringLiteral("архив событий")
                                       : QStringLiteral("архив канала %1").arg(archive))
                     .arg(blocks)
                     .arg(ENDINGS.value(transfer));
    mbLine.traffic->record(std::move(entry));
}

Outcome ControllerCore::downloadAll(const Context &context, const ArchiveSteps &steps)
{
    for (int archive = 0; archive <= channelCount(); ++archive) {
        const Outcome outcome = downloadArchive(archive, context, steps);
        if (outcome.kind != Outcome::Kind::Done)
            return outcome;
        if (context.isCancelled())
            return context.cancelOutcome();
    }
    return Outcome::done();
}
