#include "app/mainwindow.h"

#include "app/linkworker.h"
#include "app/messages.h"
#include "app/trafficpage.h"
#include "journal/writelog.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QProgressBar>

// Opening is short, so the window waits for it; a stop still winding down goes first, and
// abandons its exchange, so that is short too.
void MainWindow::on_Start_clicked()
{
    channels.setup(ui->cTypeDev->currentIndex());
    LinkSettings settings;
    settings.port = ui->cComPort->currentText().section(QLatin1Char(' '), 0, 0);
    settings.baud = ui->cComBaudrate->currentText().toInt();
    settings.address = static_cast<quint8>(ui->sbMB_Adr->value());
    settings.devType = data.devType;
    settings.fast = ui->cbFastLink->isChecked();
    const QString &portName = settings.port;
    const qint32 baudRate = settings.baud;
    const quint8 address = settings.address;
    Outcome opened;
    worker->newConnection();
    trafficPage->connectionStarted();
    traffic_log *traffic = &trafficPage->log();
    worker->runAndWait([&] {
        worker->controller().mbLine.traffic = traffic;
        worker->clearStop();
        opened = worker->controller().open(settings);
    });
    if (opened.kind != Outcome::Kind::Done) {
        showCritical(opened.text);
        return;
    }
    linkPortName = portName;
    linkAddress = address;
    connectedPort = QStringLiteral("%1, %2, адрес %3").arg(portName).arg(baudRate).arg(address);
    identified = false;
    controllerCells.clear();
    archiveStore.beginConnection(0);
    data.reqIdentify = 1;
    data.online = true;
    timer.start(1000);
    setConnectedState(true);
    showLinkState();
}

namespace {

// What "Поиск" found: the first controller that gave its factory number.
struct FoundController {
    bool found = false;
    bool portOpened = true;
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

void MainWindow::on_btFind_clicked()
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
    worker->newConnection();
    worker->post([this, settings, speeds] {
        worker->clearCancel();
        ControllerCore &controller = worker->controller();
        FoundController result;
        Context context;
        context.cancelled = [this, &result] { return result.found || worker->cancelled(); };
        for (int s = 0; s < speeds.size() && !context.isCancelled(); ++s) {
            LinkSettings at = settings;
            at.baud = speeds.at(s);
            if (!controller.open(at).is(Outcome::Kind::Done)) {
                result.portOpened = false;
                break;
            }
            const auto asking = [this, s, count = speeds.size()](int address) {
                const int progress = (s * LAST_ADDRESS + address) * 100 / (count * LAST_ADDRESS);
                worker->report([this, progress] {
                    if (progressBar)
                        progressBar->setValue(progress);
                });
            };
            const auto found = [&result, &at](int address, quint32 number) {
                result = {true, true, address, at.baud, number};
            };
            controller.scan(1, LAST_ADDRESS, findTimeoutMs(at.baud), context, asking, found);
            controller.close();
        }
        const bool cancelled = !result.found && worker->cancelled();
        worker->report([this, settings, result, cancelled] {
            removeProgressBar();
            setConnectedState(false);
            showLinkState();
            if (!result.portOpened)
                showCritical(QStringLiteral("Ошибка открытия порта ") + settings.port);
            else if (result.found)
                controllerFound(result.address, result.baud, result.factoryNumber);
            else if (cancelled)
                showInformation(QStringLiteral("Операция отменена"));
            else
                showInformation(QStringLiteral("Контроллер не найден"));
        });
    });
}

void MainWindow::controllerFound(int address, qint32 baud, quint32 number)
{
    ui->sbMB_Adr->setValue(address);
    ui->cComBaudrate->setCurrentText(QString::number(baud));
    operationDone(QStringLiteral("Контроллер найден: адрес %1, скорость %2, зав. № %3")
                      .arg(address)
                      .arg(baud)
                      .arg(number));
}

// Work in progress stops at once; the line is closed once it has.
void MainWindow::on_Stop_clicked()
{
    worker->stop();
    worker->newConnection();
    worker->post([this] { worker->controller().close(); });
    enterDisconnected();
}

const ControllerCore &MainWindow::controller() const
{
    return worker->controller();
}

LinkIdentity MainWindow::linkIdentity() const
{
    LinkIdentity identity;
    identity.port = linkPortName;
    identity.address = linkAddress;
    identity.factoryNumber = identified ? QString::number(factoryNumber) : QString();
    return identity;
}

// A confirmed write never outlives its connection.
void MainWindow::enterDisconnected()
{
    timer.stop();
    pendingWrite.reset();
    data.online = false;
    setConnectedState(false);
    showLinkState();
}

void MainWindow::showLinkState(const QString &operation)
{
    if (!data.online)
        linkStateLabel->setText(QStringLiteral("Нет связи"));
    else if (!operation.isEmpty())
        linkStateLabel->setText(operation);
    else
        linkStateLabel->setText(QStringLiteral("Связь: ") + connectedPort +
                                (identified ? QStringLiteral(", зав. № %1").arg(factoryNumber)
                                            : QString()));
}

void MainWindow::setConnectedState(bool connected)
{
    const QList<QWidget *> settings = {ui->cTypeDev, ui->cComPort, ui->cComBaudrate,
                                       ui->sbMB_Adr, ui->Scan,     ui->Start, ui->btFind};
    for (QWidget *widget : settings)
        widget->setEnabled(!connected);
    const QList<QWidget *> requests = {
        ui->Stop,         ui->btCompare,     ui->sbBeginChan,   ui->sbEndChan,    ui->btRead,       ui->btWrite,
        ui->btSave,       ui->sbwriteChan,   ui->btWriteChan,  ui->SerialNumSet, ui->SerialNumDev,
        ui->HW_Ver,       ui->HW_VerSet,     ui->dateSet,      ui->timeSet,      ui->DirectMode,
        ui->DateTimeRead, ui->DateTimeWrite, ui->DateTimeSync, ui->pbArcLoad,    ui->pbArcLoadAll};
    for (QWidget *widget : requests)
        widget->setEnabled(connected);
}

// A failed single-cell write is a link failure like any other; a write the controller did not
// keep is shown in red. Either way it is journalled before the next exchange.
void MainWindow::sendCellPatch(const RegisterPatch &patch, const FieldChange &change)
{
    worker->post([this, patch, change, identity = linkIdentity()] {
        ControllerCore &controller = worker->controller();
        if (!controller.isOpen())
            return;
        WriteLog log(
            journal, identity,
            [this](const QString &error) {
                worker->report([this, error] { journalFailed(error); });
            },
            [this] { worker->report([this] { journalBusy(); }); });
        const Outcome outcome = controller.writeCell(patch, change, log);
        if (outcome.linkFailed())
            worker->report([this] { linkFailed(); });
        else if (outcome.kind == Outcome::Kind::Done)
            worker->report([this, change, text = outcome.text] {
                controllerCells.taken(change);
                operationDone(text);
            });
        else
            worker->report([this, change] { cellNotTaken(change); });
    });
}

void MainWindow::cellNotTaken(const FieldChange &change)
{
    channels.markRefused(change.channel, change.column);
    showNotTaken({QString::asprintf("Канал %02d, ", change.channel + 1) +
                  ChannelDiff::columnTitle(change.column) + QStringLiteral(": записано ") +
                  change.after});
}
