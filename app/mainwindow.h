#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "archive/archive.h"
#include "device/data.h"

#include <QMainWindow>
#include <QTimer>
#include <QVector>

class QModelIndex;
class QProgressBar;
class Ui_MainWindow;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void Timer();
    void on_Scan_clicked();
    void on_Exit_clicked();
    void on_Start_clicked();
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
    void on_btWrite_clicked();
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

private:
    // Start-up and exit
    void fillFixedLists();
    void restoreUiState();
    void storeUiState();

    // Connection control
    bool checkLink();
    void setConnectedState(bool connected);

    // Channel table
    void setupChannelTable(int devType);
    void connectCellHook();
    void disconnectCellHook();

    // Poll tick steps
    void writeRegister(int address, quint16 value);
    void sendCommand(quint16 code);
    void sendCommand(quint16 code, quint16 argument);
    bool serveSerialNumSet();
    void serveHwVerSet();
    bool serveDateTimeRead();
    bool serveDateTimeWrite();
    bool serveRead();
    bool serveWrite();
    bool serveSave();
    bool serveIdentify();
    bool serveArcLoad();
    void serveWriteChan();
    void serveDirectMode();
    void showRangeProgress(int channelIndex);
    void receiveArchive(int archive);

    // Progress bar of long operations
    QProgressBar *createProgressBar();
    void releaseProgressBar(QProgressBar *bar);
    void showProgressBar();
    void removeProgressBar();

    QProgressBar *progressBar = nullptr;
    Ui_MainWindow *ui;
    QTimer timer;
    int firstChan = 1;
    int lastChan = 1;
    Data data;
    Archive archive;
};

#endif
