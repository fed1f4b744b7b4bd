#include "app/mainwindow.h"

#include "app/archivechart.h"
#include "app/connectioncontrol.h"
#include "app/filedialogs.h"
#include "app/inifile.h"
#include "app/journalpage.h"
#include "app/messages.h"
#include "app/linkworker.h"
#include "app/tickview.h"
#include "app/trafficpage.h"
#include "device/columndefs.h"
#include "device/devicetext.h"
#include "device/wholefile.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <cstring>

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
    settings.init(ui);
    on_Scan_clicked();
    channels.init(ui, this);
    parameters.init(ui);
    archive.init(ui);
    settings.fillFixedLists();
    // Every column counts as shown until "ini" says otherwise.
    memset(iniBlock.columnShown, 0x01, sizeof(iniBlock.columnShown));
    memset(iniBlock.reserved, 0x01, sizeof(iniBlock.reserved));
    if (loadIni())
        restoreUiState();
    settings.restoreTypedPort();
    settings.restoreFastLink();
    ui->tvChannelsCfg->setShowGrid(true);
    ui->tvChannelsCfg->setGridStyle(Qt::DotLine);
    channels.setup(ui->cTypeDev->currentIndex());
    setupChart();
    setupJournal();
    setupTraffic();
    connection = std::make_unique<ConnectionControl>(ui, data, channels, controllerCells,
                                                     archiveStore, *worker, trafficPage, timer,
                                                     linkStateLabel);
    tickView = std::make_unique<TickView>(TickView::Parts{
        this, ui, data, controllerCells, archive, channels, parameters, chart, *worker, journal,
        archiveStore, *connection, cancelButton, journalBusyLabel});
    connect(&timer, &QTimer::timeout, this, &MainWindow::Timer);
    connect(worker.get(), &LinkWorker::portFailed, this, [this] { tickView->linkFailed(); });
    connect(&channels, &ChannelsPage::cellToSend, this,
            [this](const RegisterPatch &patch, const FieldChange &change) {
                tickView->sendCellPatch(patch, change);
            });
    connect(&channels, &ChannelsPage::operationDone, this,
            [this](const QString &text) { tickView->operationDone(text); });
    connect(chart, &ArchiveChart::operationDone, this,
            [this](const QString &text) { tickView->operationDone(text); });
    data.clearRequests();
    connection->setConnectedState(false);
    connection->showLinkState();
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

void MainWindow::setupTraffic()
{
    trafficPage = new TrafficPage(this);
    ui->tabWidget->addTab(trafficPage, QStringLiteral("Обмен"));
}

void MainWindow::setupChart()
{
    chart = new ArchiveChart(archive, ui->tabWidget);
    chart->setSettingsSource([this](int channel) -> const ChannelRecord * {
        const size_t index = size_t(channel - 1);
        return index < data.settingsKnown.size() && data.settingsKnown[index]
                   ? &channelRecords[index]
                   : nullptr;
    });
    connect(&channels, &ChannelsPage::settingsLoaded, chart, &ArchiveChart::showThresholds);
    ui->tabWidget->addTab(chart, QStringLiteral("График"));
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
    settings.storeTypedPort();
    settings.storeFastLink();
}

void MainWindow::Timer()
{
    tickView->tick();
}

bool MainWindow::linkBusy() const
{
    return worker->busy();
}

const ControllerCore &MainWindow::controller() const
{
    return worker->controller();
}

void MainWindow::on_Start_clicked()
{
    connection->start();
}

void MainWindow::on_btFind_clicked()
{
    tickView->findController();
}

void MainWindow::on_Stop_clicked()
{
    connection->stop();
}

void MainWindow::on_Scan_clicked()
{
    settings.scanPorts();
}

void MainWindow::on_Exit_clicked()
{
    QCoreApplication::quit();
}

void MainWindow::on_btSelectSet_clicked()
{
    settings.selectColumns(data.devType);
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

void MainWindow::on_pbArcImport_clicked()
{
    archive.loadFromFolder();
    chart->showArchive();
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
    QProgressBar *bar = tickView->createProgressBar();
    archive.exportToXlsx(bar);
    tickView->releaseProgressBar(bar);
}

void MainWindow::on_pbArcLoad_clicked()
{
    data.reqArcLoad = 1;
}

void MainWindow::on_pbArcLoadAll_clicked()
{
    data.reqArcLoadAll = 1;
}

void MainWindow::on_btCancel_clicked()
{
    worker->cancel();
}

void MainWindow::on_SerialNumSet_clicked()
{
    parameters.requestFactoryNumber();
}

void MainWindow::on_HW_VerSet_clicked()
{
    parameters.requestHardwareVersion();
}

void MainWindow::on_DateTimeRead_clicked()
{
    parameters.requestClockRead();
}

void MainWindow::on_DateTimeWrite_clicked()
{
    parameters.requestClockWrite();
}

void MainWindow::on_DateTimeSync_clicked()
{
    parameters.requestClockSync();
}

void MainWindow::on_btRead_clicked()
{
    channels.takeRange();
    data.reqRead = 1;
}

void MainWindow::on_btWrite_clicked()
{
    channels.takeRange();
    connection->compareOnly = false;
    data.reqWrite = 1;
}

void MainWindow::on_btCompare_clicked()
{
    channels.takeRange();
    connection->compareOnly = true;
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
    parameters.requestDirectMode();
}

// The controller's clock and version are read when the report is made, so that the report
// shows them beside the PC's time as they are.
void MainWindow::on_btReport_clicked()
{
    ReportContent content;
    channels.describeRange(content);
    const LinkIdentity identity = connection->linkIdentity();
    if (!data.online || identity.factoryNumber.isEmpty()) {
        writeReport(content);
        return;
    }
    content.settingsFile.clear();
    content.factoryNumber = identity.factoryNumber;
    content.port = identity.port;
    content.address = identity.address;
    worker->post([this, content]() mutable {
        DeviceInfo info;
        ChannelRecords scratch = {};
        const Outcome outcome = worker->controller().readDeviceInfo(info, scratch.data());
        worker->report([this, content, info, outcome]() mutable {
            if (outcome.linkFailed()) {
                tickView->linkFailed();
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
    if (!content.factoryNumber.isEmpty()) {
        const QDate today = content.computerTime.date();
        content.entries = Journal().entries({content.factoryNumber, today, today});
    }
    if (!CommissioningReport::write(fileName, content)) {
        showCritical(WholeFile::notWrittenText(fileName));
        return;
    }
    tickView->operationDone(QStringLiteral("Отчёт записан: ") + QFileInfo(fileName).fileName());
}
