#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "app/controllercells.h"
#include "app/parameterspage.h"
#include "app/settingspage.h"
#include "app/archive.h"
#include "app/channelspage.h"
#include "archive/archivestore.h"
#include "controller/controllercore.h"
#include "device/data.h"
#include "journal/commissioningreport.h"
#include "journal/journal.h"

#include <QMainWindow>
#include <QTimer>
#include <QVector>
#include <memory>

class ArchiveChart;
class ConnectionControl;
class JournalPage;
class TickView;
class TrafficPage;
class LinkWorker;
class QLabel;
class QModelIndex;
class QPushButton;
class Ui_MainWindow;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // True from the moment work is handed to the controller thread until all its results and
    // messages have been shown.
    Q_INVOKABLE bool linkBusy() const;
    // The controller the window works with; its lines live in the controller thread.
    const ControllerCore &controller() const;

private slots:
    void Timer();
    void on_Scan_clicked();
    void on_Exit_clicked();
    void on_Start_clicked();
    // Finds a controller whose address or speed is not known.
    void on_btFind_clicked();
    void on_Stop_clicked();
    void on_SerialNumSet_clicked();
    void on_DateTimeRead_clicked();
    void on_DateTimeWrite_clicked();
    void on_DateTimeSync_clicked();
    void on_btRead_clicked();
    void on_btSave_clicked();
    void on_btExport_clicked();
    void dataChangedSlot(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                         const QVector<int> &roles);
    void on_btImport_clicked();
    // A commissioning report of the range: read from the controller while connected, else of
    // the table as loaded from a settings file.
    void on_btReport_clicked();
    void on_btWrite_clicked();
    // The list of differences a write would show, with nothing written.
    void on_btCompare_clicked();
    void on_btSelectSet_clicked();
    void on_pbArcImport_clicked();
    void on_pbArcScanDisks_clicked();
    void on_pbArcScanDirs_clicked();
    void on_pbFindEvent_clicked();
    void on_pbArcLoad_clicked();
    void on_pbArcExport_clicked();
    void on_btWriteChan_clicked();
    void on_HW_VerSet_clicked();
    void on_DirectMode_clicked();
    void on_btCancel_clicked();
    void on_pbArcLoadAll_clicked();

private:
    void writeReport(ReportContent content);
    // Start-up and exit
    void restoreUiState();
    void storeUiState();
    void setupStatusBar();
    void setupScrolling();
    void setupChart();
    void setupJournal();
    void setupTraffic();

    Ui_MainWindow *ui;
    QTimer timer;
    Data data;
    // The controller's values as this connection knows them, for the journal.
    ControllerCells controllerCells;
    Archive archive;
    ChannelsPage channels{data, archive, controllerCells};
    ParametersPage parameters{data};
    SettingsPage settings;
    ArchiveChart *chart = nullptr;
    std::unique_ptr<LinkWorker> worker;
    QPushButton *cancelButton = nullptr;
    JournalPage *journalPage = nullptr;
    TrafficPage *trafficPage = nullptr;
    QLabel *linkStateLabel = nullptr;
    QLabel *journalBusyLabel = nullptr;
    ArchiveStore archiveStore;
    // Written to by the controller thread only.
    Journal journal;
    std::unique_ptr<ConnectionControl> connection;
    std::unique_ptr<TickView> tickView;
};

#endif
