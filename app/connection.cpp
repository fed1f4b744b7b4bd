#include "app/mainwindow.h"

#include "app/messages.h"
#include "link/modbus.h"
#include "ui_mainwindow.h"

#include <QSerialPortInfo>

void MainWindow::on_Scan_clicked()
{
    ui->cComPort->clear();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.isBusy())
            continue;
        ui->cComPort->addItem(info.portName() + QStringLiteral(" (") + info.manufacturer() +
                              QStringLiteral(")"));
    }
}

void MainWindow::on_Start_clicked()
{
    setupChannelTable(ui->cTypeDev->currentIndex());
    mbLine.portName = ui->cComPort->currentText().section(QLatin1Char(' '), 0, 0);
    mbLine.baudRate = ui->cComBaudrate->currentText().toInt();
    mbLine.mbAddr = static_cast<quint8>(ui->sbMB_Adr->value());
    if (!mbLine.openPort()) {
        showCritical(QStringLiteral("Ошибка открытия порта ") + mbLine.portName);
        return;
    }
    data.reqIdentify = 1;
    timer.start(1000);
    setConnectedState(true);
}

void MainWindow::on_Stop_clicked()
{
    timer.stop();
    mbLine.closePort();
    setConnectedState(false);
}

bool MainWindow::checkLink()
{
    if (!mbLine.linkError)
        return false;
    on_Stop_clicked();
    showCritical(QStringLiteral("Ошибка связи"));
    return true;
}

void MainWindow::setConnectedState(bool connected)
{
    const QList<QWidget *> settings = {ui->cTypeDev, ui->cComPort, ui->cComBaudrate,
                                       ui->sbMB_Adr, ui->Scan,     ui->Start};
    for (QWidget *widget : settings)
        widget->setEnabled(!connected);
    const QList<QWidget *> requests = {
        ui->Stop,         ui->sbBeginChan,   ui->sbEndChan,    ui->btRead,       ui->btWrite,
        ui->btSave,       ui->sbwriteChan,   ui->btWriteChan,  ui->SerialNumSet, ui->SerialNumDev,
        ui->HW_Ver,       ui->HW_VerSet,     ui->dateSet,      ui->timeSet,      ui->DirectMode,
        ui->DateTimeRead, ui->DateTimeWrite, ui->DateTimeSync, ui->pbArcLoad};
    for (QWidget *widget : requests)
        widget->setEnabled(connected);
}
