#include "app/settingspage.h"

#include "app/inifile.h"
#include "device/columndefs.h"
#include "device/texttables.h"
#include "device/wholefile.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QListWidgetItem>
#include <QSaveFile>
#include <QSerialPortInfo>
#include <algorithm>

namespace {

const QStringList DEVICE_TYPES = {"TQ-17 32K", "TQ-17 64K"};
const QStringList BAUD_RATES = {"1200",  "2400",  "4800",  "9600",
                                "19200", "38400", "57600", "115200"};

// A port name typed into "Порт" is kept beside "ini", whose layout has no room for it.
const QString TYPED_PORT_FILE = QString::fromLatin1(INI_FILE_NAME) + QStringLiteral(".port");
// "Быстрый обмен" is kept beside "ini" too: the file is there when the box is checked.
const QString FAST_LINK_FILE = QString::fromLatin1(INI_FILE_NAME) + QStringLiteral(".fast");

QString selectorText(const char *header)
{
    return QString::fromUtf8(header).remove(QLatin1Char('\n')).remove(QLatin1Char('-'));
}

} // namespace

void SettingsPage::init(Ui_MainWindow *mainUi)
{
    ui = mainUi;
}

void SettingsPage::scanPorts()
{
    ui->cComPort->clear();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.isBusy())
            continue;
        ui->cComPort->addItem(info.portName() + QStringLiteral(" (") + info.manufacturer() +
                              QStringLiteral(")"));
    }
}

void SettingsPage::fillFixedLists()
{
    ui->cTypeDev->addItems(DEVICE_TYPES);
    ui->cComBaudrate->addItems(BAUD_RATES);
    ui->lwSelect->clear();
    for (const ColumnDef &column : COLUMN_DEFS) {
        auto *item = new QListWidgetItem(selectorText(column.header), ui->lwSelect);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
}

void SettingsPage::selectColumns(int devType)
{
    for (int i = 0; i < COLUMN_COUNT; ++i) {
        QListWidgetItem *item = ui->lwSelect->item(i);
        const int state = item->data(Qt::CheckStateRole).toInt();
        iniBlock.columnShown[i] = state != 0 ? 1 : 0;
        ui->tvChannelsCfg->setColumnHidden(i, state == 0);
        if (!columnAvailable(devType, i)) {
            ui->lwSelect->setRowHidden(i, true);
            item->setCheckState(Qt::Unchecked);
        } else {
            ui->lwSelect->setRowHidden(i, false);
        }
    }
}

void SettingsPage::restoreTypedPort()
{
    if (!WholeFile::isRegular(TYPED_PORT_FILE))
        return;
    QFile file(TYPED_PORT_FILE);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString port = QString::fromUtf8(file.readAll()).trimmed();
    if (port.isEmpty())
        return;
    if (ui->cComPort->findText(port) < 0)
        ui->cComPort->insertItem(0, port);
    ui->cComPort->setCurrentIndex(ui->cComPort->findText(port));
}

// Only a name the system does not list is kept; a listed port chosen at exit forgets it.
void SettingsPage::storeTypedPort()
{
    const QString port = ui->cComPort->currentText().section(QLatin1Char(' '), 0, 0);
    const QList<QSerialPortInfo> listed = QSerialPortInfo::availablePorts();
    const bool systemPort =
        std::any_of(listed.begin(), listed.end(),
                    [&](const QSerialPortInfo &info) { return info.portName() == port; });
    if (port.isEmpty() || systemPort) {
        // Only a file of ours is removed.
        if (WholeFile::isRegular(TYPED_PORT_FILE))
            QFile::remove(TYPED_PORT_FILE);
        return;
    }
    WholeFile::write(TYPED_PORT_FILE, port.toUtf8());
}

void SettingsPage::restoreFastLink()
{
    ui->cbFastLink->setChecked(QFile::exists(FAST_LINK_FILE));
}

void SettingsPage::storeFastLink()
{
    if (!ui->cbFastLink->isChecked()) {
        QFile::remove(FAST_LINK_FILE);
        return;
    }
    QSaveFile file(FAST_LINK_FILE);
    if (file.open(QIODevice::WriteOnly))
        file.commit();
}
