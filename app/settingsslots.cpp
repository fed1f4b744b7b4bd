#include "app/mainwindow.h"

#include "app/archivechart.h"
#include "app/filedialogs.h"
#include "app/inifile.h"
#include "app/linkworker.h"
#include "app/messages.h"
#include "device/devicetext.h"
#include "device/settingsfile.h"
#include "device/wholefile.h"
#include "link/modbus.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

void MainWindow::on_btExport_clicked()
{
    const QString fileName = askSaveFileName(
        this, tr("Файл настроек"),
        QDir(dialogStartFolder(settingsDir)).filePath(QStringLiteral("setting.bin")),
        tr("Файлы настроек (*.bin);;Все файлы (*)"), QStringLiteral("bin"));
    if (fileName.isEmpty())
        return;
    settingsDir = QFileInfo(fileName).path();
    switch (SettingsFile::save(fileName)) {
    case SettingsFile::Result::Ok:
        operationDone(QStringLiteral("Настройки сохранены в файл ") +
                      QFileInfo(fileName).fileName());
        break;
    case SettingsFile::Result::OpenFailed:
        showCritical(QStringLiteral("Ошибка открытия файла ") + fileName);
        break;
    case SettingsFile::Result::WriteFailed:
        showCritical(WholeFile::notWrittenText(fileName));
        break;
    }
}

void MainWindow::on_btImport_clicked()
{
    const QString fileName =
        QFileDialog::getOpenFileName(this, tr("Файл настроек"), dialogStartFolder(settingsDir),
                                     tr("Все файлы (*);;Файлы настроек (*.bin)"));
    if (fileName.isEmpty())
        return;
    settingsDir = QFileInfo(fileName).path();
    switch (SettingsFile::load(fileName)) {
    case SettingsFile::LoadResult::Ok: break;
    case SettingsFile::LoadResult::WrongSize:
        showCritical(SettingsFile::wrongSizeText(fileName));
        return;
    case SettingsFile::LoadResult::OpenFailed:
        showCritical(QStringLiteral("Ошибка открытия файла ") + fileName);
        return;
    }
    data.settingsKnown.set();
    recordsFilledFor = data.devType;
    loadedSettingsFile = QFileInfo(fileName).fileName();
    disconnectCellHook();
    for (int c = 0; c < data.chanCount; ++c)
        data.fillRow(c);
    connectCellHook();
    chart->showThresholds();
    operationDone(QStringLiteral("Настройки загружены из файла ") + QFileInfo(fileName).fileName());
}

// The controller's clock and version are read when the report is made, so that the report
// shows them beside the PC's time as they are.
void MainWindow::on_btReport_clicked()
{
    ReportContent content;
    content.devType = data.devType;
    content.first = qBound(0, ui->sbBeginChan->value() - 1, data.chanCount - 1);
    content.last = qBound(content.first, ui->sbEndChan->value() - 1, data.chanCount - 1);
    content.known = data.settingsKnown;
    if (!data.online || !identified) {
        content.settingsFile = loadedSettingsFile;
        writeReport(content);
        return;
    }
    content.factoryNumber = QString::number(factoryNumber);
    content.port = linkPortName;
    content.address = linkAddress;
    worker->post([this, content, devType = data.devType]() mutable {
        ControllerLink link(devType);
        DeviceInfo info;
        ChannelRecords scratch = {};
        link.readDeviceInfo(info, scratch.data());
        const bool failed = ControllerLink::linkError();
        if (failed)
            mbLine.closePort();
        worker->report([this, content, info, failed]() mutable {
            if (failed) {
                linkFailed();
                return;
            }
            content.hardwareVersion = DeviceText::hardwareVersion(info.hwVer);
            content.controllerClock = DeviceText::clockText(info.clock);
            writeReport(content);
        });
    });
}

void MainWindow::writeReport(ReportContent content)
{
    const QString proposed =
        QStringLiteral("report_%1_%2.pdf")
            .arg(content.factoryNumber.isEmpty() ? QStringLiteral("file") : content.factoryNumber,
                 QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    const QString fileName =
        askSaveFileName(this, QStringLiteral("Отчёт"), QDir(dialogStartFolder(settingsDir)).filePath(proposed),
                        QStringLiteral("PDF (*.pdf);;Все файлы (*)"), QStringLiteral("pdf"));
    if (fileName.isEmpty())
        return;
    content.computerTime = QDateTime::currentDateTime();
    content.records = channelRecords;
    if (!content.factoryNumber.isEmpty()) {
        const QDate today = content.computerTime.date();
        content.entries = Journal().entries({content.factoryNumber, today, today});
    }
    if (!CommissioningReport::write(fileName, content)) {
        showCritical(WholeFile::notWrittenText(fileName));
        return;
    }
    operationDone(QStringLiteral("Отчёт записан: ") + QFileInfo(fileName).fileName());
}
