#include "app/mainwindow.h"

#include "device/registermap.h"
#include "link/modbus.h"
#include "link/xmodem_line.h"
#include "ui_mainwindow.h"

#include <QProgressBar>
#include <cstring>

void MainWindow::on_pbArcImport_clicked()
{
    archive.loadFromFolder();
}
void MainWindow::on_pbArcScanDisks_clicked()
{
    archive.scanDisks();
}
void MainWindow::on_pbArcScanDirs_clicked()
{
    archive.scanDirs();
}
void MainWindow::on_pbFindEvent_clicked()
{
    archive.findByDateTime();
}

// The export keeps a bar of its own: its dialogs run event loops in which a
// tick may show and remove the bar of a pending read, write or download.
void MainWindow::on_pbArcExport_clicked()
{
    QProgressBar *bar = createProgressBar();
    archive.exportToXlsx(bar);
    releaseProgressBar(bar);
}

// Downloads the archive chosen in cbArcChannel over XMODEM: the one serial
// port is handed from the Modbus line to the XMODEM line and back.
bool MainWindow::serveArcLoad()
{
    data.reqArcLoad = 0;
    showProgressBar();
    const int archiveNumber = ui->cbArcChannel->currentIndex();
    sendCommand(CMD_ARCHIVE_UPLOAD, static_cast<quint16>(archiveNumber));
    mbLine.closePort();
    xmLine.portName = mbLine.portName;
    if (!xmLine.openPort()) {
        xmLine.closePort();
        removeProgressBar();
        on_Stop_clicked();
        return false;
    }
    receiveArchive(archiveNumber);
    removeProgressBar();
    xmLine.closePort();
    mbLine.openPort();
    return true;
}

void MainWindow::receiveArchive(int archiveNumber)
{
    constexpr int RECORDS_PER_BLOCK = 64;
    constexpr int BLOCK_HEADER = 3;
    const bool events = archiveNumber == 0;
    if (events)
        archive.eventRows = -1;
    else
        archive.channelRows = -1;
    const int blocksToFill = data.devType == 1 ? 125 : 250;
    int row = 0;
    int progress = 100;
    int received = xmLine.transfer(xmodem_line::START, xmodem_line::BLOCK_SIZE);
    for (;;) {
        if (received != -1 && received != 0) {
            for (int k = 0; k < RECORDS_PER_BLOCK; ++k, ++row) {
                ArchiveRecord record;
                memcpy(&record, xmLine.rxBuf + BLOCK_HEADER + k * sizeof(record), sizeof(record));
                if (events)
                    archive.addEventRow(record, row);
                else
                    archive.addChannelRow(record, row);
            }
        }
        if (xmLine.rxBuf[0] == xmodem_line::EOT)
            received = xmLine.transfer(xmodem_line::ACK, 0);
        progressBar->setValue(progress / blocksToFill);
        ui->tvArcNotes->selectRow(row);
        progress += 100;
        if (received != xmodem_line::BLOCK_SIZE)
            break;
        received = xmLine.transfer(xmodem_line::ACK, xmodem_line::BLOCK_SIZE);
    }
    if (events)
        archive.blankEventRows(archive.eventRows);
    else
        archive.blankChannelRows(archive.channelRows);
    archive.channelRecCount = archive.channelRows;
    archive.selectLastRows();
}
