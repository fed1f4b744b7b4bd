#include "app/mainwindow.h"

#include "app/messages.h"
#include "device/registermap.h"
#include "link/modbus.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QProgressBar>

// One tick serves every pending request in a fixed order. A step returns
// false when a link check failed: the connection is closed and the tick ends.
void MainWindow::Timer()
{
    if (data.reqSerialNumSet && !serveSerialNumSet())
        return;
    if (data.reqHwVerSet)
        serveHwVerSet();
    if (data.reqDateTimeRead && !serveDateTimeRead())
        return;
    if (data.reqDateTimeWrite && !serveDateTimeWrite())
        return;
    if (data.reqRead && !serveRead())
        return;
    if (data.reqWrite && !serveWrite())
        return;
    if (data.reqSave && !serveSave())
        return;
    if (data.reqIdentify && !serveIdentify())
        return;
    if (data.reqArcLoad && !serveArcLoad())
        return;
    if (data.reqWriteChan)
        serveWriteChan();
    if (data.reqDirectMode)
        serveDirectMode();
}

void MainWindow::writeRegister(int address, quint16 value)
{
    const uint16_t word = swap16(value);
    mbLine.writeMultiple(address, 1, &word);
    mbLine.waitPkt();
}

void MainWindow::sendCommand(quint16 code)
{
    writeRegister(CMD_REG, code);
}

void MainWindow::sendCommand(quint16 code, quint16 argument)
{
    writeRegister(ARG_REG, argument);
    writeRegister(CMD_REG, code);
}

bool MainWindow::serveSerialNumSet()
{
    const quint32 number = static_cast<quint32>(ui->SerialNumDev->text().toInt());
    sendCommand(CMD_SERIAL_HIGH, number >> 16);
    sendCommand(CMD_SERIAL_LOW, number & 0xFFFF);
    data.reqSerialNumSet = 0;
    return !checkLink();
}

void MainWindow::serveHwVerSet()
{
    data.reqHwVerSet = 0;
    int index = ui->HW_Ver->currentIndex();
    if (index < 0 || index >= 2)
        index = 0;
    sendCommand(CMD_HW_VERSION, HW_VERSIONS[index]);
}

bool MainWindow::serveDateTimeRead()
{
    data.reqDateTimeRead = 0;
    data.readDeviceInfo();
    if (checkLink())
        return false;
    // The controller counts local wall-clock time as if it were UTC.
    const QDateTime clock = QDateTime::fromSecsSinceEpoch(data.devTime, Qt::UTC);
    ui->dateSet->setDate(clock.date());
    const QTime time = clock.time();
    ui->timeSet->setTime(QTime(time.hour(), time.minute(), time.second(), 0));
    return true;
}

bool MainWindow::serveDateTimeWrite()
{
    data.reqDateTimeWrite = 0;
    const QTime time = ui->timeSet->time();
    const QDateTime wallClock(ui->dateSet->date(), QTime(time.hour(), time.minute(), time.second()),
                              Qt::UTC);
    const quint32 seconds = static_cast<quint32>(wallClock.toSecsSinceEpoch());
    const uint16_t words[2] = {swap16(seconds & 0xFFFF), swap16(seconds >> 16)};
    mbLine.writeMultiple(REG_CLOCK, 2, words);
    mbLine.waitPkt();
    return !checkLink();
}

bool MainWindow::serveRead()
{
    data.reqRead = 0;
    data.readLiveValues();
    if (checkLink())
        return false;
    data.readDeviceInfo();
    if (checkLink())
        return false;
    if (firstChan < 1)
        firstChan = 1;
    for (int c = 0; c < data.chanCount; ++c)
        data.setActive(c, 0);
    disconnectCellHook();
    showProgressBar();
    for (int i = firstChan - 1; i < lastChan && i < data.chanCount; ++i) {
        data.setActive(i, 1);
        data.readChannel(i);
        if (checkLink())
            break;
        data.fillRow(i);
        showRangeProgress(i);
    }
    removeProgressBar();
    connectCellHook();
    showInformation(QStringLiteral("Чтение завершено"));
    return true;
}

bool MainWindow::serveWrite()
{
    data.reqWrite = 0;
    if (firstChan < 1)
        firstChan = 1;
    showProgressBar();
    for (int i = firstChan - 1; i < lastChan && i < data.chanCount; ++i) {
        data.writeChannel(i);
        if (checkLink()) {
            removeProgressBar();
            return false;
        }
        showRangeProgress(i);
    }
    removeProgressBar();
    showInformation(QStringLiteral("Запись завершена"));
    return true;
}

void MainWindow::showRangeProgress(int channelIndex)
{
    const int span = lastChan - firstChan - 1;
    progressBar->setValue(span == 0 ? 100 : 100 * (channelIndex - firstChan + 1) / span);
}

bool MainWindow::serveSave()
{
    sendCommand(CMD_SAVE_SETTINGS);
    data.reqSave = 0;
    return !checkLink();
}

bool MainWindow::serveIdentify()
{
    data.reqIdentify = 0;
    mbLine.readInput(0, 101);
    mbLine.waitPkt();
    if (checkLink())
        return false;
    if (mbLine.replyFunction() == 4) {
        const int *bases = REG_BASES[data.devType];
        data.showSerialNumber(quint32(mbLine.getReg(bases[BASE_SERIAL_HIGH])) << 16 |
                              quint32(mbLine.getReg(bases[BASE_SERIAL_LOW])));
    }
    data.readDeviceInfo();
    if (checkLink())
        return false;
    ui->HW_Ver->setCurrentIndex(data.hwVer == HW_VERSIONS[1] ? 1 : 0);
    return true;
}

void MainWindow::serveWriteChan()
{
    data.reqWriteChan = 0;
    sendCommand(CMD_WRITE_CHANNEL, static_cast<quint16>(ui->sbwriteChan->value()));
}

void MainWindow::serveDirectMode()
{
    data.reqDirectMode = 0;
    sendCommand(CMD_DIRECT_ACCESS);
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

void MainWindow::showProgressBar()
{
    progressBar = createProgressBar();
}

void MainWindow::removeProgressBar()
{
    releaseProgressBar(progressBar);
    progressBar = nullptr;
}

void MainWindow::on_SerialNumSet_clicked()
{
    data.reqSerialNumSet = 1;
}
void MainWindow::on_HW_VerSet_clicked()
{
    data.reqHwVerSet = 1;
}
void MainWindow::on_DateTimeRead_clicked()
{
    data.reqDateTimeRead = 1;
}
void MainWindow::on_DateTimeWrite_clicked()
{
    data.reqDateTimeWrite = 1;
}

void MainWindow::on_DateTimeSync_clicked()
{
    const QDateTime now = QDateTime::currentDateTime();
    ui->dateSet->setDate(now.date());
    ui->timeSet->setTime(now.time());
    data.reqDateTimeWrite = 1;
}

void MainWindow::on_btRead_clicked()
{
    firstChan = ui->sbBeginChan->value();
    lastChan = ui->sbEndChan->value();
    data.reqRead = 1;
}

void MainWindow::on_btWrite_clicked()
{
    firstChan = ui->sbBeginChan->value();
    lastChan = ui->sbEndChan->value();
    data.reqWrite = 1;
}

void MainWindow::on_btSave_clicked()
{
    data.reqSave = 1;
}
void MainWindow::on_btWriteChan_clicked()
{
    data.reqWriteChan = 1;
}
void MainWindow::on_DirectMode_clicked()
{
    data.reqDirectMode = 1;
}
void MainWindow::on_pbArcLoad_clicked()
{
    data.reqArcLoad = 1;
}
