#include "app/mainwindow.h"

#include "app/archivechart.h"
#include "app/filedialogs.h"
#include "app/inifile.h"
#include "app/messages.h"
#include "device/settingsfile.h"
#include "device/wholefile.h"
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
        showCritical(QStringLiteral("Ошибка открытия файла") + fileName);
        return;
    }
    data.settingsKnown.set();
    recordsFilledFor = data.devType;
    disconnectCellHook();
    for (int c = 0; c < data.chanCount; ++c)
        channels.fillRow(c);
    connectCellHook();
    chart->showThresholds();
    operationDone(QStringLiteral("Настройки загружены из файла ") + QFileInfo(fileName).fileName());
}
