#include "app/tickview.h"

#include "app/archive.h"
#include "app/archivechart.h"
#include "app/channelspage.h"
#include "app/connectioncontrol.h"
#include "app/controllercells.h"
#include "app/linkworker.h"
#include "app/messages.h"
#include "app/parameterspage.h"
#include "app/writediffdialog.h"
#include "archive/archivestore.h"
#include "archive/archivetext.h"
#include "device/data.h"
#include "device/registermap.h"
#include "journal/journal.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Requests whose work reads into or writes from the channel table's records, or takes long.
constexpr quint32 RANGE_REQUESTS = REQ_READ | REQ_WRITE | REQ_ARC_LOAD | REQ_ARC_LOAD_ALL;
constexpr int STATUS_MESSAGE_MS = 10000;

// The records of a download, without the empty slots of its last block.
int validRecords(const QByteArray &records)
{
    const auto *first = reinterpret_cast<const ArchiveRecord *>(records.constData());
    return int(std::count_if(first, first + records.size() / int(sizeof(ArchiveRecord)),
                             ArchiveText::isValid));
}

} // namespace

TickView::TickView(const Parts &parts) : TickViewParts(parts)
{
}

// The tick's exchanges run in the worker; a tick never starts while the previous one runs,
// and requests made meanwhile wait for the next tick.
void TickView::tick()
{
    if (tickRunning)
        return;
    retryJournal();
    const quint32 requests = data.takeRequests();
    if (!requests)
        return;
    tickRunning = true;
    channels.setRangeOperation((requests & RANGE_REQUESTS) != 0);
    const TickInput input = takeTickInput(requests);
    worker.post([this, input] { PollTick(worker, *this, journal, input).run(); });
}

TickInput TickView::takeTickInput(quint32 requests)
{
    TickInput input;
    input.requests = requests;
    parameters.fillTickInput(input);
    if (requests & REQ_WRITE) {
        input.confirmedWrite = std::move(connection.pendingWrite);
        input.compareOnly = std::exchange(connection.compareOnly, false);
    }
    input.identity = connection.linkIdentity();
    input.firstChan = channels.firstChan;
    input.lastChan = channels.lastChan;
    input.archiveNumber = ui->cbArcChannel->currentIndex();
    input.writeChannel = static_cast<quint16>(ui->sbwriteChan->value());
    input.records = std::make_shared<ChannelRecords>();
    memcpy(input.records->data(), channelRecords, sizeof(channelRecords));
    return input;
}

// A range write confirmed during the tick goes ahead at once.
void TickView::tickEnded(quint32 unserved)
{
    if (worker.reportCurrent())
        data.restoreRequests(unserved);
    tickRunning = false;
    channels.setRangeOperation(false);
    if (connection.pendingWrite)
        tick();
}

// A failure of work of an ended connection is not this connection's.
void TickView::linkFailed()
{
    if (!worker.reportCurrent())
        return;
    connection.enterDisconnected();
    showCritical(QStringLiteral("Ошибка связи"));
}

void TickView::portLost()
{
    removeProgressBar();
    if (worker.reportCurrent())
        connection.enterDisconnected();
}

void TickView::factoryNumberRead(quint32 number)
{
    connection.setIdentified(number);
    archiveStore.beginConnection(number);
    parameters.showFactoryNumber(number);
    connection.showLinkState();
}

void TickView::deviceInfoRead(const DeviceInfo &info,
                                std::shared_ptr<const ChannelRecords> records)
{
    data.devTime = info.clock;
    data.hwVer = info.hwVer;
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        channelRecords[c].enabled = (*records)[size_t(c)].enabled;
        channelRecords[c].arcMode = (*records)[size_t(c)].arcMode;
    }
}

void TickView::clockRead(quint32 clock)
{
    parameters.showClock(clock);
}

void TickView::hardwareVersionRead(quint16 version)
{
    parameters.showHardwareVersion(version);
}

void TickView::liveValuesRead(std::shared_ptr<const ChannelRecords> records)
{
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        const ChannelRecord &read = (*records)[size_t(c)];
        ChannelRecord &r = channelRecords[c];
        r.status = read.status;
        r.concentration = read.concentration;
        r.adcValue = read.adcValue;
        r.pwmValue = read.pwmValue;
    }
}

void TickView::rangeReadStarted()
{
    for (int c = 0; c < data.chanCount; ++c)
        data.setActive(c, 0);
    channels.disconnectCellHook();
    showProgressBar(QStringLiteral("Чтение каналов"), true);
}

// The record is taken whole: the read replaced every field a read fills, and the row is drawn
// from it at once.
void TickView::channelRead(int channel, const ChannelRecord &record, int progress)
{
    channelRecords[channel] = record;
    controllerCells.channelRead(channel, record);
    channels.recordsFilledFor = data.devType;
    data.settingsKnown.set(size_t(channel));
    data.setActive(channel, 1);
    channels.fillRow(channel);
    progressBar->setValue(progress);
}

void TickView::rangeReadEnded(Ending ending)
{
    removeProgressBar();
    channels.connectCellHook();
    chart->showThresholds();
    // A link error ended the loop, not the step: the box is shown as after a full read.
    showEnding(ending == Ending::LinkFailed ? Ending::Done : ending,
               QStringLiteral("Чтение завершено"));
}

void TickView::writeCompareStarted()
{
    showProgressBar(QStringLiteral("Чтение каналов"), true);
}

void TickView::writeCompareProgress(int progress)
{
    progressBar->setValue(progress);
}

// Nothing is written until the differences were seen and confirmed; the write itself is the
// next tick's. The list is made from the records as they are when the read ended, and made
// again if they changed while it was open.
void TickView::writeCompared(Ending ending, std::shared_ptr<const WritePlan> compared)
{
    removeProgressBar();
    if (ending != Ending::Done || !worker.reportCurrent()) {
        showEnding(ending, QString());
        return;
    }
    connection.showLinkState();
    auto plan = std::make_shared<WritePlan>(*compared);
    if (plan->compareOnly) {
        plan->list(channelRecords);
        if (plan->changes().isEmpty())
            showInformation(QStringLiteral("Нет изменений"));
        else
            WriteDiffDialog(plan->changes(), WriteDiffDialog::Purpose::Compare, window).exec();
        return;
    }
    do {
        plan->list(channelRecords);
        if (plan->changes().isEmpty()) {
            showInformation(QStringLiteral("Нет изменений"));
            if (plan->saveAfter && data.online)
                data.reqSave = 1;
            return;
        }
        WriteDiffDialog dialog(plan->changes(), WriteDiffDialog::Purpose::Write, window);
        if (dialog.exec() != QDialog::Accepted || !data.online)
            return;
    } while (!plan->listedFrom(channelRecords));
    connection.pendingWrite = std::move(plan);
    data.reqWrite = 1;
}

void TickView::rangeWriteStarted()
{
    refusedLines.clear();
    showProgressBar(QStringLiteral("Запись каналов"), true);
}

void TickView::channelWritten(int channel, int progress, const QVector<FieldChange> &taken,
                                const QVector<FieldChange> &refused)
{
    for (const FieldChange &change : taken)
        controllerCells.taken(change);
    for (const FieldChange &change : refused) {
        channels.markRefused(channel, change.column);
        refusedLines << QString::asprintf("Канал %02d, ", channel + 1) +
                            ChannelDiff::columnTitle(change.column) +
                            QStringLiteral(": записано ") + change.before +
                            QStringLiteral(", в контроллере ") + change.after;
    }
    progressBar->setValue(progress);
}

// A write the controller did not take in full is not reported as done.
void TickView::rangeWriteEnded(Ending ending, const QVector<int> &changed)
{
    removeProgressBar();
    if ((refusedLines.isEmpty() && changed.isEmpty()) || ending != Ending::Done)
        showEnding(ending, QStringLiteral("Запись завершена"));
    if (!changed.isEmpty()) {
        QStringList numbers;
        for (int channel : changed)
            numbers << QString::number(channel + 1);
        connection.showLinkState();
        showWarning(QStringLiteral("Контроллер изменился после сравнения, не записаны каналы: ") +
                    numbers.join(QStringLiteral(", ")));
    }
    if (!refusedLines.isEmpty())
        showNotTaken(refusedLines);
}

void TickView::writeNotTaken(const QString &line)
{
    showNotTaken({line});
}

void TickView::showNotTaken(const QStringList &lines)
{
    connection.showLinkState();
    showWarning(QStringLiteral("Контроллер не принял значения:\n") + lines.join(QLatin1Char('\n')));
}

// Once per session: the engineer knows, and the writes go on without the journal.
void TickView::journalFailed(const QString &error)
{
    if (journalWarned)
        return;
    journalWarned = true;
    showWarning(QStringLiteral("Журнал изменений не записан: ") + error);
}

// Shown for a while in the status bar, where it does not stop the user as a box would.
void TickView::operationDone(const QString &text)
{
    ui->statusbar->showMessage(text, STATUS_MESSAGE_MS);
}

// Said beside the link state while entries wait, where the status messages of the writes do not
// hide it and no box stops the user: nothing is lost, the writes need not stop.
void TickView::journalBusy()
{
    journalBusyLabel->show();
}

void TickView::retryJournal()
{
    if (journalBusyLabel->isHidden())
        return;
    worker.post([this] {
        const bool written = journal.flush();
        worker.report([this, written] { journalBusyLabel->setVisible(!written); });
    });
}

void TickView::showEnding(Ending ending, const QString &doneText)
{
    connection.showLinkState();
    if (!worker.reportCurrent())
        return;
    switch (ending) {
    case Ending::Done: showInformation(doneText); break;
    case Ending::Cancelled: showInformation(QStringLiteral("Операция отменена")); break;
    case Ending::Stopped:
    case Ending::LinkFailed: break;
    }
}

QProgressBar *TickView::createProgressBar()
{
    auto *bar = new QProgressBar();
    bar->setTextVisible(false);
    bar->setValue(0);
    ui->statusbar->addWidget(bar, 0);
    bar->setGeometry(10, 0, 1217, 25);
    bar->show();
    return bar;
}

void TickView::releaseProgressBar(QProgressBar *bar)
{
    ui->statusbar->removeWidget(bar);
    delete bar;
}

// A message of an earlier operation would hide the bar.
void TickView::showProgressBar(const QString &operation, bool cancellable)
{
    ui->statusbar->clearMessage();
    progressBar = createProgressBar();
    if (cancellable) {
        ui->statusbar->addWidget(cancelButton, 0);
        cancelButton->show();
    }
    connection.showLinkState(operation);
}

void TickView::removeProgressBar()
{
    if (!progressBar)
        return;
    releaseProgressBar(progressBar);
    progressBar = nullptr;
    ui->statusbar->removeWidget(cancelButton);
    cancelButton->hide();
}

void TickView::archiveSetStarted(int archives)
{
    setArchives = archives;
    setIndex = 0;
    setClock.start();
    archiveStore.startNewFolder();
    showProgressBar(QStringLiteral("Загрузка архивов"), true);
    progressBar->setTextVisible(true);
    showSetProgress(0);
}

// The table is left as it was until the first block arrives, so a download that gets no
// answer loses nothing.
void TickView::archiveStarted(int archiveNumber)
{
    if (setArchives == 0)
        showProgressBar(QStringLiteral("Загрузка архива"), true);
    archiveFilling = false;
    rowsBefore = archiveNumber == 0 ? archive.eventRows : archive.channelRows;
}

void TickView::archiveBlockReceived(int archiveNumber, const ArchiveDownload::Block &block)
{
    if (!archiveFilling) {
        archiveFilling = true;
        if (archiveNumber == 0)
            archive.eventRows = -1;
        else
            archive.channelRows = -1;
    }
    archive.addDownloadedBlock(archiveNumber, block);
}

void TickView::archiveProgress(int progress, int row)
{
    if (setArchives > 0)
        showSetProgress(progress);
    else
        progressBar->setValue(progress);
    ui->tvArcNotes->selectRow(row);
}

// The whole set on one bar: finished archives count whole, the current one by its progress.
void TickView::showSetProgress(int archiveProgress)
{
    const double done = (setIndex + std::min(archiveProgress, 100) / 100.0) / setArchives;
    progressBar->setValue(int(100 * done));
    QString text = QStringLiteral("Архив %1 из %2").arg(setIndex + 1).arg(setArchives);
    if (done > 0.01) {
        const qint64 left = qint64(setClock.elapsed() * (1 - done) / done / 1000);
        text += QStringLiteral(", осталось %1:%2")
                    .arg(left / 60)
                    .arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    progressBar->setFormat(text);
}

// The rows received stay, the rest of the table is blanked; an archive that did not come whole
// is not kept on disk.
void TickView::archiveEnded(int archiveNumber, ArchiveDownload::Outcome outcome,
                              const QByteArray &records, bool modbusReopened)
{
    if (archiveFilling) {
        if (archiveNumber == 0)
            archive.blankEventRows(archive.eventRows);
        else
            archive.blankChannelRows(archive.channelRows);
        archive.channelRecCount = archive.channelRows;
    } else if (archiveNumber == 0) {
        archive.eventRows = rowsBefore;
    } else {
        archive.channelRows = rowsBefore;
    }
    archive.selectLastRows();
    const bool saved =
        outcome == ArchiveDownload::Outcome::Complete && saveDownload(archiveNumber, records);
    chart->showArchive();
    if (setArchives > 0) {
        ++setIndex;
    } else {
        removeProgressBar();
        connection.showLinkState();
    }
    // The line is handed back after every download: a port that will not reopen ends the
    // connection now rather than at the next request.
    if (!modbusReopened && data.online && worker.reportCurrent()) {
        if (setArchives > 0)
            removeProgressBar();
        connection.enterDisconnected();
        showCritical(QStringLiteral("Ошибка открытия порта ") + connection.portName());
        return;
    }
    if (setArchives == 0 && data.online && worker.reportCurrent())
        reportDownloadFailure(archiveNumber, outcome, false);
    if (setArchives == 0 && saved)
        operationDone(QStringLiteral("Архив загружен: %1, записей: %2")
                          .arg(archiveStore.folder())
                          .arg(validRecords(records)));
}

void TickView::archiveSetEnded(ArchiveDownload::Outcome outcome)
{
    const int failed = setIndex;
    const QString notSaved = std::exchange(setSaveError, QString());
    setArchives = 0;
    removeProgressBar();
    connection.showLinkState();
    if (!notSaved.isEmpty()) {
        showCritical(notSaved);
        return;
    }
    if (!data.online || !worker.reportCurrent() || outcome == ArchiveDownload::Outcome::PortFailed)
        return;
    if (outcome == ArchiveDownload::Outcome::Complete)
        showInformation(QStringLiteral("Загрузка завершена: ") + archiveStore.folder());
    else
        reportDownloadFailure(failed - 1, outcome, true);
}

// In a set the box names the archive that failed.
void TickView::reportDownloadFailure(int archiveNumber, ArchiveDownload::Outcome outcome,
                                       bool naming)
{
    const QString name = !naming           ? QString()
                         : archiveNumber == 0 ? QStringLiteral(": События")
                                              : QString::asprintf(": Канал %02d", archiveNumber);
    switch (outcome) {
    case ArchiveDownload::Outcome::NoReply:
        showCritical(QStringLiteral("Архив не загружен") + name);
        break;
    case ArchiveDownload::Outcome::Broken:
        showCritical(QStringLiteral("Архив загружен не полностью") + name);
        break;
    case ArchiveDownload::Outcome::Cancelled:
        showInformation(QStringLiteral("Операция отменена"));
        break;
    default: break;
    }
}

bool TickView::saveDownload(int archiveNumber, const QByteArray &records)
{
    const auto *first = reinterpret_cast<const ArchiveRecord *>(records.constData());
    const int count = records.size() / int(sizeof(ArchiveRecord));
    if (!archiveStore.save(archiveNumber, first, count)) {
        if (setArchives == 0) {
            showCritical(archiveStore.errorString());
            return false;
        }
        // The rest of a set would meet the same disk: the set stops, and its closing box says
        // which file was not written.
        if (setSaveError.isEmpty())
            setSaveError = archiveStore.errorString();
        worker.cancel();
        return false;
    }
    archive.selectFolder(archiveStore.folder());
    return true;
}

// A failed single-cell write is a link failure like any other; a write the controller did not
// keep is shown in red. Either way it is journalled before the next exchange.
void TickView::sendCellPatch(const RegisterPatch &patch, const FieldChange &change)
{
    worker.post([this, patch, change, identity = connection.linkIdentity()] {
        ControllerCore &controller = worker.controller();
        if (!controller.isOpen())
            return;
        WriteLog log(
            journal, identity,
            [this](const QString &error) {
                worker.report([this, error] { journalFailed(error); });
            },
            [this] { worker.report([this] { journalBusy(); }); });
        const Outcome outcome = controller.writeCell(patch, change, log);
        if (outcome.linkFailed())
            worker.report([this] { linkFailed(); });
        else if (outcome.kind == Outcome::Kind::Done)
            worker.report([this, change, text = outcome.text] {
                controllerCells.taken(change);
                operationDone(text);
            });
        else
            worker.report([this, change] { cellNotTaken(change); });
    });
}

void TickView::cellNotTaken(const FieldChange &change)
{
    channels.markRefused(change.channel, change.column);
    showNotTaken({QString::asprintf("Канал %02d, ", change.channel + 1) +
                  ChannelDiff::columnTitle(change.column) + QStringLiteral(": записано ") +
                  change.after});
}

namespace {

// What "Поиск" found: the first controller that gave its factory number.
struct FoundController {
    bool found = false;
    QString portError; // the port did not open: why
    int address = 0;
    qint32 baud = 0;
    quint32 factoryNumber = 0;
};

// Long enough for the request to go out and the first byte of the answer to come back.
int findTimeoutMs(qint32 baud)
{
    constexpr int TURNAROUND_MS = 30;
    constexpr int REQUEST_BITS = 8 * 10;
    return TURNAROUND_MS + REQUEST_BITS * 1000 / baud;
}

} // namespace

void TickView::findController()
{
    LinkSettings settings;
    settings.port = ui->cComPort->currentText().section(QLatin1Char(' '), 0, 0);
    settings.devType = data.devType;
    QVector<qint32> speeds{ui->cComBaudrate->currentText().toInt()};
    for (int i = 0; i < ui->cComBaudrate->count(); ++i) {
        if (!speeds.contains(ui->cComBaudrate->itemText(i).toInt()))
            speeds << ui->cComBaudrate->itemText(i).toInt();
    }
    constexpr int LAST_ADDRESS = 247;
    showProgressBar(QStringLiteral("Поиск контроллера"), true);
    ui->Start->setEnabled(false);
    ui->btFind->setEnabled(false);
    worker.newConnection();
    worker.post([this, settings, speeds] {
        worker.clearCancel();
        ControllerCore &controller = worker.controller();
        FoundController result;
        Context context;
        context.cancelled = [this, &result] { return result.found || worker.cancelled(); };
        for (int s = 0; s < speeds.size() && !context.isCancelled(); ++s) {
            LinkSettings at = settings;
            at.baud = speeds.at(s);
            const Outcome opened = controller.open(at);
            if (!opened.is(Outcome::Kind::Done)) {
                result.portError = opened.text;
                break;
            }
            const auto asking = [this, s, count = speeds.size()](int address) {
                const int progress = (s * LAST_ADDRESS + address) * 100 / (count * LAST_ADDRESS);
                worker.report([this, progress] {
                    if (progressBar)
                        progressBar->setValue(progress);
                });
            };
            const auto found = [&result, &at](int address, quint32 number) {
                result = {true, QString(), address, at.baud, number};
            };
            controller.scan(1, LAST_ADDRESS, findTimeoutMs(at.baud), context, asking, found);
            controller.close();
        }
        const bool cancelled = !result.found && worker.cancelled();
        worker.report([this, result, cancelled] {
            removeProgressBar();
            connection.setConnectedState(false);
            connection.showLinkState();
            if (!result.portError.isEmpty())
                showCritical(result.portError);
            else if (result.found)
                controllerFound(result.address, result.baud, result.factoryNumber);
            else if (cancelled)
                showInformation(QStringLiteral("Операция отменена"));
            else
                showInformation(QStringLiteral("Контроллер не найден"));
        });
    });
}

void TickView::controllerFound(int address, qint32 baud, quint32 number)
{
    ui->sbMB_Adr->setValue(address);
    ui->cComBaudrate->setCurrentText(QString::number(baud));
    operationDone(QStringLiteral("Контроллер найден: адрес %1, скорость %2, зав. № %3")
                      .arg(address)
                      .arg(baud)
                      .arg(number));
}
