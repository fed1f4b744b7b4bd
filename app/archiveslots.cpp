#include "app/mainwindow.h"

#include "app/messages.h"
#include "ui_mainwindow.h"

#include <QProgressBar>

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

void MainWindow::archiveStarted(int archiveNumber)
{
    showProgressBar(QStringLiteral("Загрузка архива"), true);
    if (archiveNumber == 0)
        archive.eventRows = -1;
    else
        archive.channelRows = -1;
}

void MainWindow::archiveBlockReceived(int archiveNumber, const ArchiveDownload::Block &block)
{
    for (int k = 0; k < block.records.size(); ++k) {
        if (archiveNumber == 0)
            archive.addEventRow(block.records.at(k), block.firstRow + k);
        else
            archive.addChannelRow(block.records.at(k), block.firstRow + k);
    }
}

void MainWindow::archiveProgress(int progress, int row)
{
    progressBar->setValue(progress);
    ui->tvArcNotes->selectRow(row);
}

// The rows received stay, the rest of the table is blanked.
void MainWindow::archiveEnded(int archiveNumber, ArchiveDownload::Outcome outcome,
                              const QByteArray &records, bool modbusReopened)
{
    Q_UNUSED(records)
    if (archiveNumber == 0)
        archive.blankEventRows(archive.eventRows);
    else
        archive.blankChannelRows(archive.channelRows);
    archive.channelRecCount = archive.channelRows;
    archive.selectLastRows();
    removeProgressBar();
    showLinkState();
    // The line is handed back after every download: a port that will not reopen ends the
    // connection now rather than at the next request.
    if (!modbusReopened && data.online) {
        enterDisconnected();
        showCritical(QStringLiteral("Ошибка открытия порта ") + linkPortName);
    } else if (outcome == ArchiveDownload::Outcome::Cancelled && data.online) {
        showInformation(QStringLiteral("Операция отменена"));
    }
}
