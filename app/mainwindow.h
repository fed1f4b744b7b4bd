#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "app/controllercells.h"
#include "app/parameterspage.h"
#include "app/settingspage.h"
#include "app/polltick.h"
#include "app/archive.h"
#include "app/channelspage.h"
#include "archive/archivestore.h"
#include "device/data.h"
#include "journal/commissioningreport.h"
#include "journal/journal.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <QVector>
#include <memory>

class ArchiveChart;
class JournalPage;
class TrafficPage;
class LinkWorker;
class QLabel;
class QModelIndex;
class QProgressBar;
class QPushButton;
class Ui_MainWindow;

class MainWindow : public QMainWindow, private PollView
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
    // Finds a controller whose address or speed is not known: every address at the chosen
    // speed, then at the other speeds of the list.
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

    // Connection control
    void setConnectedState(bool connected);
    // The window's side of a disconnect; the line is closed by the worker.
    void enterDisconnected();
    void showLinkState(const QString &operation = QString());
    // "Поиск" found a controller: the window takes its address and speed.
    void controllerFound(int address, qint32 baud, quint32 number);
    void sendCellPatch(const RegisterPatch &patch, const FieldChange &change);
    LinkIdentity linkIdentity() const;

    // Poll tick: what the window hands over, and its side of the steps
    TickInput takeTickInput(quint32 requests);
    void linkFailed() override;
    void portLost() override;
    void factoryNumberRead(quint32 number) override;
    void deviceInfoRead(const DeviceInfo &info,
                        std::shared_ptr<const ChannelRecords> records) override;
    void clockRead(quint32 clock) override;
    void hardwareVersionRead(quint16 version) override;
    void liveValuesRead(std::shared_ptr<const ChannelRecords> records) override;
    void rangeReadStarted() override;
    void channelRead(int channel, const ChannelRecord &record, int progress) override;
    void rangeReadEnded(Ending ending) override;
    void writeCompareStarted() override;
    void writeCompareProgress(int progress) override;
    void writeCompared(Ending ending, std::shared_ptr<const WritePlan> plan) override;
    void rangeWriteStarted() override;
    void channelWritten(int channel, int progress, const QVector<FieldChange> &taken,
                        const QVector<FieldChange> &refused) override;
    void rangeWriteEnded(Ending ending, const QVector<int> &changed) override;
    void writeNotTaken(const QString &line) override;
    void journalFailed(const QString &error) override;
    void journalBusy() override;
    // Entries that wait for a busy journal are tried again at a poll tick.
    void retryJournal();
    void cellNotTaken(const FieldChange &change);
    void showNotTaken(const QStringList &lines);
    void archiveSetStarted(int archives) override;
    void archiveSetEnded(ArchiveDownload::Outcome outcome) override;
    void archiveStarted(int archiveNumber) override;
    void archiveBlockReceived(int archiveNumber, const ArchiveDownload::Block &block) override;
    void archiveProgress(int progress, int row) override;
    void archiveEnded(int archiveNumber, ArchiveDownload::Outcome outcome,
                      const QByteArray &records, bool modbusReopened) override;
    void operationDone(const QString &text) override;
    void tickEnded(quint32 unserved) override;

    // Downloads kept on disk
    // False, after saying why, when the archive could not be kept.
    bool saveDownload(int archiveNumber, const QByteArray &records);
    void reportDownloadFailure(int archiveNumber, ArchiveDownload::Outcome outcome, bool naming);
    void showSetProgress(int archiveProgress);
    void setupChart();
    void setupJournal();
    void setupTraffic();

    // Progress bar of long operations, with "Отмена" beside it where the work can be stopped
    QProgressBar *createProgressBar();
    void releaseProgressBar(QProgressBar *bar);
    void showProgressBar(const QString &operation, bool cancellable);
    void removeProgressBar();
    // The box that ends a long operation: its own text when done, "Операция отменена" when
    // cancelled, none when the connection ended or the operation was of an ended connection.
    void showEnding(Ending ending, const QString &doneText);

    QProgressBar *progressBar = nullptr;
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
    bool tickRunning = false;
    QString linkPortName;
    int linkAddress = 0;
    QString connectedPort;
    quint32 factoryNumber = 0;
    bool identified = false;
    ArchiveStore archiveStore;
    // The download in progress: whether a block came yet, and the table's rows before it.
    bool archiveFilling = false;
    int rowsBefore = 0;
    // "Загрузить все" in progress: archives in the set, the one now loading, time since start.
    int setArchives = 0;
    int setIndex = 0;
    QElapsedTimer setClock;
    // Why an archive of the set could not be kept; said instead of the set's closing box.
    QString setSaveError;
    // Written to by the controller thread only.
    Journal journal;
    bool journalWarned = false;
    // A range write confirmed in its difference dialog, for the next tick.
    std::shared_ptr<const WritePlan> pendingWrite;
    // Fields of the range write in progress that the controller did not take.
    QStringList refusedLines;
    // The next range write's read is for "Сравнить".
    bool compareOnly = false;
};

#endif
