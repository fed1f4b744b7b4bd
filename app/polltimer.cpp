#include "app/mainwindow.h"

#include "app/archivechart.h"
#include "app/linkworker.h"
#include "app/messages.h"
#include "app/writediffdialog.h"
#include "device/registermap.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <cstring>
#include <utility>

namespace {

// Requests whose work reads into or writes from the channel table's records, or takes long.
constexpr quint32 RANGE_REQUESTS = REQ_READ | REQ_WRITE | REQ_ARC_LOAD | REQ_ARC_LOAD_ALL;
constexpr int STATUS_MESSAGE_MS = 10000;

} // namespace

// The tick's exchanges run in the worker; a tick never starts while the previous one runs,
// and requests made meanwhile wait for the next tick.
void MainWindow::Timer()
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
    worker->post([this, input] { PollTick(*worker, *this, journal, input).run(); });
}

bool MainWindow::linkBusy() const
{
    return worker->busy();
}

TickInput MainWindow::takeTickInput(quint32 requests)
{
    TickInput input;
    input.requests = requests;
    parameters.fillTickInput(input);
    if (requests & REQ_WRITE) {
        input.confirmedWrite = std::move(pendingWrite);
        input.compareOnly = std::exchange(compareOnly, false);
    }
    input.identity = linkIdentity();
    input.firstChan = channels.firstChan;
    input.lastChan = channels.lastChan;
    input.archiveNumber = ui->cbArcChannel->currentIndex();
    input.writeChannel = static_cast<quint16>(ui->sbwriteChan->value());
    input.records = std::make_shared<ChannelRecords>();
    memcpy(input.records->data(), channelRecords, sizeof(channelRecords));
    return input;
}

// A range write confirmed during the tick goes ahead at once.
void MainWindow::tickEnded(quint32 unserved)
{
    if (worker->reportCurrent())
        data.restoreRequests(unserved);
    tickRunning = false;
    channels.setRangeOperation(false);
    if (pendingWrite)
        Timer();
}

// A failure of work of an ended connection is not this connection's.
void MainWindow::linkFailed()
{
    if (!worker->reportCurrent())
        return;
    enterDisconnected();
    showCritical(QStringLiteral("Ошибка связи"));
}

void MainWindow::portLost()
{
    removeProgressBar();
    if (worker->reportCurrent())
        enterDisconnected();
}

void MainWindow::factoryNumberRead(quint32 number)
{
    factoryNumber = number;
    identified = true;
    archiveStore.beginConnection(number);
    parameters.showFactoryNumber(number);
    showLinkState();
}

void MainWindow::deviceInfoRead(const DeviceInfo &info,
                                std::shared_ptr<const ChannelRecords> records)
{
    data.devTime = info.clock;
    data.hwVer = info.hwVer;
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        channelRecords[c].enabled = (*records)[size_t(c)].enabled;
        channelRecords[c].arcMode = (*records)[size_t(c)].arcMode;
    }
}

void MainWindow::clockRead(quint32 clock)
{
    parameters.showClock(clock);
}

void MainWindow::hardwareVersionRead(quint16 version)
{
    parameters.showHardwareVersion(version);
}

void MainWindow::liveValuesRead(std::shared_ptr<const ChannelRecords> records)
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

void MainWindow::rangeReadStarted()
{
    for (int c = 0; c < data.chanCount; ++c)
        data.setActive(c, 0);
    channels.disconnectCellHook();
    showProgressBar(QStringLiteral("Чтение каналов"), true);
}

// The record is taken whole: the read replaced every field a read fills, and the row is drawn
// from it at once.
void MainWindow::channelRead(int channel, const ChannelRecord &record, int progress)
{
    channelRecords[channel] = record;
    controllerCells.channelRead(channel, record);
    channels.recordsFilledFor = data.devType;
    data.settingsKnown.set(size_t(channel));
    data.setActive(channel, 1);
    channels.fillRow(channel);
    progressBar->setValue(progress);
}

void MainWindow::rangeReadEnded(Ending ending)
{
    removeProgressBar();
    channels.connectCellHook();
    chart->showThresholds();
    // A link error ended the loop, not the step: the box is shown as after a full read.
    showEnding(ending == Ending::LinkFailed ? Ending::Done : ending,
               QStringLiteral("Чтение завершено"));
}

void MainWindow::writeCompareStarted()
{
    showProgressBar(QStringLiteral("Чтение каналов"), true);
}

void MainWindow::writeCompareProgress(int progress)
{
    progressBar->setValue(progress);
}

// Nothing is written until the differences were seen and confirmed; the write itself is the
// next tick's. The list is made from the records as they are when the read ended, and made
// again if they changed while it was open.
void MainWindow::writeCompared(Ending ending, std::shared_ptr<const WritePlan> compared)
{
    removeProgressBar();
    if (ending != Ending::Done || !worker->reportCurrent()) {
        showEnding(ending, QString());
        return;
    }
    showLinkState();
    auto plan = std::make_shared<WritePlan>(*compared);
    if (plan->compareOnly) {
        plan->list(channelRecords);
        if (plan->changes().isEmpty())
            showInformation(QStringLiteral("Нет изменений"));
        else
            WriteDiffDialog(plan->changes(), WriteDiffDialog::Purpose::Compare, this).exec();
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
        WriteDiffDialog dialog(plan->changes(), WriteDiffDialog::Purpose::Write, this);
        if (dialog.exec() != QDialog::Accepted || !data.online)
            return;
    } while (!plan->listedFrom(channelRecords));
    pendingWrite = std::move(plan);
    data.reqWrite = 1;
}

void MainWindow::rangeWriteStarted()
{
    refusedLines.clear();
    showProgressBar(QStringLiteral("Запись каналов"), true);
}

void MainWindow::channelWritten(int channel, int progress, const QVector<FieldChange> &taken,
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
void MainWindow::rangeWriteEnded(Ending ending, const QVector<int> &changed)
{
    removeProgressBar();
    if ((refusedLines.isEmpty() && changed.isEmpty()) || ending != Ending::Done)
        showEnding(ending, QStringLiteral("Запись завершена"));
    if (!changed.isEmpty()) {
        QStringList numbers;
        for (int channel : changed)
            numbers << QString::number(channel + 1);
        showLinkState();
        showWarning(QStringLiteral("Контроллер изменился после сравнения, не записаны каналы: ") +
                    numbers.join(QStringLiteral(", ")));
    }
    if (!refusedLines.isEmpty())
        showNotTaken(refusedLines);
}

void MainWindow::writeNotTaken(const QString &line)
{
    showNotTaken({line});
}

void MainWindow::showNotTaken(const QStringList &lines)
{
    showLinkState();
    showWarning(QStringLiteral("Контроллер не принял значения:\n") + lines.join(QLatin1Char('\n')));
}

// Once per session: the engineer knows, and the writes go on without the journal.
void MainWindow::journalFailed(const QString &error)
{
    if (journalWarned)
        return;
    journalWarned = true;
    showWarning(QStringLiteral("Журнал изменений не записан: ") + error);
}

// Shown for a while in the status bar, where it does not stop the user as a box would.
void MainWindow::operationDone(const QString &text)
{
    ui->statusbar->showMessage(text, STATUS_MESSAGE_MS);
}

// Said beside the link state while entries wait, where the status messages of the writes do not
// hide it and no box stops the user: nothing is lost, the writes need not stop.
void MainWindow::journalBusy()
{
    journalBusyLabel->show();
}

void MainWindow::retryJournal()
{
    if (journalBusyLabel->isHidden())
        return;
    worker->post([this] {
        const bool written = journal.flush();
        worker->report([this, written] { journalBusyLabel->setVisible(!written); });
    });
}

void MainWindow::showEnding(Ending ending, const QString &doneText)
{
    showLinkState();
    if (!worker->reportCurrent())
        return;
    switch (ending) {
    case Ending::Done: showInformation(doneText); break;
    case Ending::Cancelled: showInformation(QStringLiteral("Операция отменена")); break;
    case Ending::Stopped:
    case Ending::LinkFailed: break;
    }
}

QProgressBar *MainWindow::createProgressBar()
{
    auto *bar = new QProgressBar();
    bar->setTextVisible(false);
    bar->setValue(0);
    ui->statusbar->addWidget(bar, 0);
    bar->setGeometry(10, 0, 1217, 25);
    bar->show();
    return bar;
}

void MainWindow::releaseProgressBar(QProgressBar *bar)
{
    ui->statusbar->removeWidget(bar);
    delete bar;
}

// A message of an earlier operation would hide the bar.
void MainWindow::showProgressBar(const QString &operation, bool cancellable)
{
    ui->statusbar->clearMessage();
    progressBar = createProgressBar();
    if (cancellable) {
        ui->statusbar->addWidget(cancelButton, 0);
        cancelButton->show();
    }
    showLinkState(operation);
}

void MainWindow::removeProgressBar()
{
    if (!progressBar)
        return;
    releaseProgressBar(progressBar);
    progressBar = nullptr;
    ui->statusbar->removeWidget(cancelButton);
    cancelButton->hide();
}
