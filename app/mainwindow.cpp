#include "app/mainwindow.h"

#include "app/archivechart.h"
#include "app/inifile.h"
#include "app/journalpage.h"
#include "app/linkworker.h"
#include "device/columndefs.h"
#include "device/texttables.h"
#include "device/devicetext.h"
#include "device/registermap.h"
#include "device/wholefile.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QListWidgetItem>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSerialPortInfo>
#include <algorithm>
#include <cstring>

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

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui_MainWindow), worker(std::make_unique<LinkWorker>())
{
    // Made before the form is set up, so that "Отмена" is bound to its slot by name too.
    cancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    cancelButton->setObjectName(QStringLiteral("btCancel"));
    cancelButton->hide();
    ui->setupUi(this);
    setupScrolling();
    setupStatusBar();
    setWindowTitle(QStringLiteral("Конфигуратор TQ-17 v0.26"));
    ui->tabWidget->setCurrentIndex(1);
    on_Scan_clicked();
    channels.init(ui, this);
    archive.init(ui);
    fillFixedLists();
    // Every column counts as shown until "ini" says otherwise.
    memset(iniBlock.columnShown, 0x01, sizeof(iniBlock.columnShown));
    memset(iniBlock.reserved, 0x01, sizeof(iniBlock.reserved));
    if (loadIni())
        restoreUiState();
    restoreTypedPort();
    ui->cbFastLink->setChecked(QFile::exists(FAST_LINK_FILE));
    for (quint16 version : HW_VERSIONS)
        ui->HW_Ver->addItem(DeviceText::hardwareVersion(version));
    connect(&timer, &QTimer::timeout, this, &MainWindow::Timer);
    connect(worker.get(), &LinkWorker::portFailed, this, [this] { linkFailed(); });
    connect(&channels, &ChannelsPage::cellToSend, this, &MainWindow::sendCellPatch);
    connect(&channels, &ChannelsPage::operationDone, this, &MainWindow::operationDone);
    ui->tvChannelsCfg->setShowGrid(true);
    ui->tvChannelsCfg->setGridStyle(Qt::DotLine);
    channels.setup(ui->cTypeDev->currentIndex());
    setupChart();
    setupJournal();
    data.clearRequests();
    setConnectedState(false);
    showLinkState();
}

// The worker goes first: it ends its work after the exchange in progress and closes the port.
// An editor left open commits as the table goes; that is not written.
MainWindow::~MainWindow()
{
    channels.disconnectCellHook();
    worker->stop();
    worker->runAndWait([this] { journal.close(); });
    worker.reset();
    storeUiState();
    delete ui;
}

void MainWindow::setupStatusBar()
{
    linkStateLabel = new QLabel(this);
    linkStateLabel->setObjectName(QStringLiteral("lbLinkState"));
    ui->statusbar->addPermanentWidget(linkStateLabel);
    journalBusyLabel =
        new QLabel(QStringLiteral("Журнал занят другой программой, записи сохранятся позже"), this);
    journalBusyLabel->setObjectName(QStringLiteral("lbJournalBusy"));
    journalBusyLabel->hide();
    ui->statusbar->addPermanentWidget(journalBusyLabel);
}

// The form keeps its fixed places; a window smaller than the form scrolls it, one larger gives it
// the room, keeping the margins it has around its controls.
void MainWindow::setupScrolling()
{
    QWidget *form = takeCentralWidget();
    const QRect used = form->childrenRect();
    form->setMinimumSize(used.size() + QSize(2 * used.left(), 2 * used.top()));
    auto *scrollArea = new QScrollArea(this);
    scrollArea->setObjectName(QStringLiteral("formScrollArea"));
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setWidgetResizable(true);
    scrollArea->setWidget(form);
    setCentralWidget(scrollArea);
}

// The chart's page is added here rather than in the form, so the form stays as it was.
// The journal is read when its tab is shown: it changes only with writes made elsewhere.
void MainWindow::setupJournal()
{
    journalPage = new JournalPage(this);
    ui->tabWidget->addTab(journalPage, QStringLiteral("Журнал"));
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, [this](int index) {
        if (ui->tabWidget->widget(index) == journalPage)
            journalPage->refresh();
    });
}

void MainWindow::setupChart()
{
    chart = new ArchiveChart(archive, ui->tabWidget);
    connect(chart, &ArchiveChart::operationDone, this, &MainWindow::operationDone);
    chart->setSettingsSource([this](int channel) -> const ChannelRecord * {
        const size_t index = size_t(channel - 1);
        return index < data.settingsKnown.size() && data.settingsKnown[index]
                   ? &channelRecords[index]
                   : nullptr;
    });
    connect(&channels, &ChannelsPage::settingsLoaded, chart, &ArchiveChart::showThresholds);
    ui->tabWidget->addTab(chart, QStringLiteral("График"));
}

void MainWindow::restoreTypedPort()
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
void MainWindow::storeTypedPort()
{
    const QString port = ui->cComPort->currentText().section(QLatin1Char(' '), 0, 0);
    const QList<QSerialPortInfo> listed = QSerialPortInfo::availablePorts();
    const bool systemPort = std::any_of(listed.begin(), listed.end(), [&](const QSerialPortInfo &info) {
        return info.portName() == port;
    });
    if (port.isEmpty() || systemPort) {
        // Only a file of ours is removed.
        if (WholeFile::isRegular(TYPED_PORT_FILE))
            QFile::remove(TYPED_PORT_FILE);
        return;
    }
    WholeFile::write(TYPED_PORT_FILE, port.toUtf8());
}

void MainWindow::storeFastLink()
{
    if (!ui->cbFastLink->isChecked()) {
        QFile::remove(FAST_LINK_FILE);
        return;
    }
    QSaveFile file(FAST_LINK_FILE);
    if (file.open(QIODevice::WriteOnly))
        file.commit();
}

void MainWindow::fillFixedLists()
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

void MainWindow::restoreUiState()
{
    ui->cComPort->setCurrentIndex(iniBlock.comPortIndex);
    ui->cComBaudrate->setCurrentIndex(iniBlock.baudrateIndex);
    ui->cTypeDev->setCurrentIndex(iniBlock.typeDevIndex);
    ui->sbMB_Adr->setValue(iniBlock.mbAddress);
    ui->sbBeginChan->setValue(iniBlock.beginChan);
    ui->sbEndChan->setValue(iniBlock.endChan);
    ui->cbArcDisk->setCurrentIndex(iniBlock.arcDiskIndex);
    ui->dateEdit->setDate(QDate(iniBlock.arcYear, iniBlock.arcMonth, iniBlock.arcDay));
    ui->timeEdit->setTime(QTime(iniBlock.arcHour, iniBlock.arcMinute, iniBlock.arcSecond, 0));
}

void MainWindow::storeUiState()
{
    iniBlock.typeDevIndex = ui->cTypeDev->currentIndex();
    iniBlock.comPortIndex = ui->cComPort->currentIndex();
    iniBlock.baudrateIndex = ui->cComBaudrate->currentIndex();
    iniBlock.mbAddress = ui->sbMB_Adr->value();
    iniBlock.beginChan = ui->sbBeginChan->value();
    iniBlock.endChan = ui->sbEndChan->value();
    iniBlock.arcDiskIndex = ui->cbArcDisk->currentIndex();
    iniBlock.arcChannelIndex = ui->cbArcChannel->currentIndex();
    const QDate date = ui->dateEdit->date();
    iniBlock.arcYear = date.year();
    iniBlock.arcMonth = date.month();
    iniBlock.arcDay = date.day();
    const QTime time = ui->timeEdit->time();
    iniBlock.arcHour = time.hour();
    iniBlock.arcMinute = time.minute();
    iniBlock.arcSecond = time.second();
    for (int i = 0; i < COLUMN_COUNT; ++i)
        iniBlock.columnShown[i] = ui->lwSelect->item(i)->data(Qt::CheckStateRole).toInt();
    saveIni();
    storeTypedPort();
    storeFastLink();
}

void MainWindow::on_Exit_clicked()
{
    QCoreApplication::quit();
}

void MainWindow::on_btSelectSet_clicked()
{
    for (int i = 0; i < COLUMN_COUNT; ++i) {
        QListWidgetItem *item = ui->lwSelect->item(i);
        const int state = item->data(Qt::CheckStateRole).toInt();
        iniBlock.columnShown[i] = state != 0 ? 1 : 0;
        ui->tvChannelsCfg->setColumnHidden(i, state == 0);
        if (!columnAvailable(data.devType, i)) {
            ui->lwSelect->setRowHidden(i, true);
            item->setCheckState(Qt::Unchecked);
        } else {
            ui->lwSelect->setRowHidden(i, false);
        }
    }
}

void MainWindow::dataChangedSlot(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                 const QVector<int> &roles)
{
    channels.cellChanged(topLeft, bottomRight, roles);
}

void MainWindow::on_btExport_clicked()
{
    channels.exportSettings();
}

void MainWindow::on_btImport_clicked()
{
    channels.importSettings();
}
