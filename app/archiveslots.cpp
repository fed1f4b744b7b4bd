#include "app/mainwindow.h"

#include "app/archivechart.h"
#include "app/linkworker.h"
#include "app/messages.h"
#include "archive/archivetext.h"
#include "ui_mainwindow.h"

#include <QProgressBar>
#include <algorithm>
#include <utility>

namespace {

// The records of a download, without the empty slots of its last block.
int validRecords(const QByteArray &records)
{
    const auto *first = reinterpret_cast<const ArchiveRecord *>(records.constData());
    return int(std::count_if(first, first + records.size() / int(sizeof(ArchiveRecord)),
                             ArchiveText::isValid));
}

} // namespace

void MainWindow::archiveSetStarted(int archives)
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
void MainWindow::archiveStarted(int archiveNumber)
{
    if (setArchives == 0)
        showProgressBar(QStringLiteral("Загрузка архива"), true);
    archiveFilling = false;
    rowsBefore = archiveNumber == 0 ? archive.eventRows : archive.channelRows;
}

void MainWindow::archiveBlockReceived(int archiveNumber, const ArchiveDownload::Block &block)
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

void MainWindow::archiveProgress(int progress, int row)
{
    if (setArchives > 0)
        showSetProgress(progress);
    else
        progressBar->setValue(progress);
    ui->tvArcNotes->selectRow(row);
}

// The whole set on one bar: finished archives count whole, the current one by its progress.
void MainWindow::showSetProgress(int archiveProgress)
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
void MainWindow::archiveEnded(int archiveNumber, ArchiveDownload::Outcome outcome,
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
        showLinkState();
    }
    // The line is handed back after every download: a port that will not reopen ends the
    // connection now rather than at the next request.
    if (!modbusReopened && data.online && worker->reportCurrent()) {
        if (setArchives > 0)
            removeProgressBar();
        enterDisconnected();
        showCritical(QStringLiteral("Ошибка открытия порта ") + linkPortName);
        return;
    }
    if (setArchives == 0 && data.online && worker->reportCurrent())
        reportDownloadFailure(archiveNumber, outcome, false);
    if (setArchives == 0 && saved)
        operationDone(QStringLiteral("Архив загружен: %1, записей: %2")
                          .arg(archiveStore.folder())
                          .arg(validRecords(records)));
}

void MainWindow::archiveSetEnded(ArchiveDownload::Outcome outcome)
{
    const int failed = setIndex;
    const QString notSaved = std::exchange(setSaveError, QString());
    setArchives = 0;
    removeProgressBar();
    showLinkState();
    if (!notSaved.isEmpty()) {
        showCritical(notSaved);
        return;
    }
    if (!data.online || !worker->reportCurrent() || outcome == ArchiveDownload::Outcome::PortFailed)
        return;
    if (outcome == ArchiveDownload::Outcome::Complete)
        showInformation(QStringLiteral("Загрузка завершена: ") + archiveStore.folder());
    else
        reportDownloadFailure(failed - 1, outcome, true);
}

// In a set the box names the archive that failed.
void MainWindow::reportDownloadFailure(int archiveNumber, ArchiveDownload::Outcome outcome,
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

bool MainWindow::saveDownload(int archiveNumber, const QByteArray &records)
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
        worker->cancel();
        return false;
    }
    archive.selectFolder(archiveStore.folder());
    return true;
}
