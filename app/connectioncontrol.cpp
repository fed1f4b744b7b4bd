#include "app/connectioncontrol.h"

#include "app/channelspage.h"
#include "app/controllercells.h"
#include "app/linkworker.h"
#include "app/messages.h"
#include "app/trafficpage.h"
#include "archive/archivestore.h"
#include "device/data.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QTimer>

ConnectionControl::ConnectionControl(Ui_MainWindow *ui, Data &data, ChannelsPage &channels,
                                     ControllerCells &controllerCells, ArchiveStore &archiveStore,
                                     LinkWorker &worker, TrafficPage *trafficPage, QTimer &timer,
                                     QLabel *linkStateLabel)
    : ui(ui), data(data), channels(channels), controllerCells(controllerCells),
      archiveStore(archiveStore), worker(&worker), trafficPage(trafficPage), timer(timer),
      linkStateLabel(linkStateLabel)
{
}

// Opening is short, so the window waits for it; a stop still winding down goes first, and
// abandons its exchange, so that is short too.
void ConnectionControl::start()
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

// Work in progress stops at once; the line is closed once it has.
void ConnectionControl::stop()
{
    worker->stop();
    worker->newConnection();
    worker->post([this] { worker->controller().close(); });
    enterDisconnected();
}

LinkIdentity ConnectionControl::linkIdentity() const
{
    LinkIdentity identity;
    identity.port = linkPortName;
    identity.address = linkAddress;
    identity.factoryNumber = identified ? QString::number(factoryNumber) : QString();
    return identity;
}

// A confirmed write never outlives its connection.
void ConnectionControl::enterDisconnected()
{
    timer.stop();
    pendingWrite.reset();
    data.online = false;
    setConnectedState(false);
    showLinkState();
}

void ConnectionControl::setIdentified(quint32 number)
{
    factoryNumber = number;
    identified = true;
}

void ConnectionControl::showLinkState(const QString &operation)
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

void ConnectionControl::setConnectedState(bool connected)
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
