#include "app/mainwindow.h"

#include "app/archivechart.h"
#include "app/inifile.h"
#include "app/messages.h"
#include "device/settingsfile.h"
#include "ui_mainwindow.h"

#include <QFileDialog>
#include <QFileInfo>

void MainWindow::on_btExport_clicked()
{
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Файл настроек"), settingsDir + QStringLiteral("//setting.bin"),
        tr("Setting Files (*.bin);;All Files (*)"));
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
        showCritical(QStringLiteral("Ошибка записи файла ") + fileName);
        break;
    }
}

void MainWindow::on_btImport_clicked()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Файл настроек"), settingsDir,
                                                          tr("All Files (*);;Bin Files (*.bin)"));
    if (fileName.isEmpty())
        return;
    if (!SettingsFile::load(fileName)) {
        showCritical(QStringLiteral("Ошибка открытия файла") + fileName);
        return;
    }
    data.settingsKnown.set();
    disconnectCellHook();
    for (int c = 0; c < data.chanCount; ++c)
        data.fillRow(c);
    connectCellHook();
    chart->showThresholds();
    operationDone(QStringLiteral("Настройки загружены из файла ") + QFileInfo(fileName).fileName());
}
