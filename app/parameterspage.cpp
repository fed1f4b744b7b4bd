#include "app/parameterspage.h"

#include "app/messages.h"
#include "app/polltick.h"
#include "device/data.h"
#include "device/devicetext.h"
#include "device/registermap.h"
#include "ui_mainwindow.h"

#include <QDateTime>

ParametersPage::ParametersPage(Data &data) : data(data) {}

void ParametersPage::init(Ui_MainWindow *mainUi)
{
    ui = mainUi;
    for (quint16 version : HW_VERSIONS)
        ui->HW_Ver->addItem(DeviceText::hardwareVersion(version));
}

bool ParametersPage::requestFactoryNumber()
{
    if (!DeviceText::parseFactoryNumber(ui->SerialNumDev->text(), requestedFactoryNumber)) {
        showCritical(QStringLiteral("Неверный заводской номер"));
        return false;
    }
    data.reqSerialNumSet = 1;
    return true;
}

void ParametersPage::requestHardwareVersion()
{
    data.reqHwVerSet = 1;
}

void ParametersPage::requestClockRead()
{
    data.reqDateTimeRead = 1;
}

void ParametersPage::requestClockWrite()
{
    clockSync = false;
    data.reqDateTimeWrite = 1;
}

void ParametersPage::requestClockSync()
{
    const QDateTime now = QDateTime::currentDateTime();
    ui->dateSet->setDate(now.date());
    ui->timeSet->setTime(now.time());
    clockSync = true;
    data.reqDateTimeWrite = 1;
}

void ParametersPage::requestDirectMode()
{
    data.reqDirectMode = 1;
}

void ParametersPage::fillTickInput(TickInput &input) const
{
    input.factoryNumber = requestedFactoryNumber;
    const int hwIndex = ui->HW_Ver->currentIndex();
    input.hwVersionIndex = hwIndex < 0 || hwIndex >= 2 ? 0 : hwIndex;
    input.clock = DeviceText::clockSeconds(ui->dateSet->date(), ui->timeSet->time());
    input.clockSynced = clockSync;
    input.hwVersionText = ui->HW_Ver->currentText();
}

void ParametersPage::showFactoryNumber(quint32 number)
{
    ui->SerialNumDev->setText(QString::number(number));
}

void ParametersPage::showClock(quint32 clock)
{
    const QDateTime shown = DeviceText::wallClock(clock);
    ui->dateSet->setDate(shown.date());
    const QTime time = shown.time();
    ui->timeSet->setTime(QTime(time.hour(), time.minute(), time.second(), 0));
}

void ParametersPage::showHardwareVersion(quint16 version)
{
    ui->HW_Ver->setCurrentIndex(version == HW_VERSIONS[1] ? 1 : 0);
}
