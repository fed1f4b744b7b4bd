#ifndef TICKVIEW_H
#define TICKVIEW_H

#include "app/polltick.h"

#include <QElapsedTimer>
#include <QStringList>

class Archive;
class ArchiveChart;
class ArchiveStore;
class ChannelsPage;
class ConnectionControl;
class ControllerCells;
class Data;
class ParametersPage;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class Ui_MainWindow;

// What the view shows its steps in and hands work to; the window owns all of it.
struct TickViewParts {
    QWidget *window;
    Ui_MainWindow *ui;
    Data &data;
    ControllerCells &controllerCells;
    Archive &archive;
    ChannelsPage &channels;
    ParametersPage &parameters;
    ArchiveChart *chart;
    LinkWorker &worker;
    Journal &journal;
    ArchiveStore &archiveStore;
    ConnectionControl &connection;
    QPushButton *cancelButton;
    QLabel *journalBusyLabel;
};

// The window's side of the poll tick: what a tick is handed, and how each of its steps is shown.
class TickView : public PollView, private TickViewParts
{
public:
    using Parts = TickViewParts;
    explicit TickView(const Parts &parts);

    // Hands the requests made since the last tick to the worker, unless a tick still runs.
    void tick();
    void sendCellPatch(const RegisterPatch &patch, const FieldChange &change);
    // "Поиск": every address at the chosen speed, then at the other speeds of the list; the
    // first controller that answers gives the window its address and speed.
    void findController();

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
    void archiveSetStarted(int archives) override;
    void archiveSetEnded(ArchiveDownload::Outcome outcome) override;
    void archiveStarted(int archiveNumber) override;
    void archiveBlockReceived(int archiveNumber, const ArchiveDownload::Block &block) override;
    void archiveProgress(int progress, int row) override;
    void archiveEnded(int archiveNumber, ArchiveDownload::Outcome outcome,
                      const QByteArray &records, bool modbusReopened) override;
    void operationDone(const QString &text) override;
    void tickEnded(quint32 unserved) override;

    // A bar in the status bar, for work that is not a tick's
    QProgressBar *createProgressBar();
    void releaseProgressBar(QProgressBar *bar);

private:
    TickInput takeTickInput(quint32 requests);
    void controllerFound(int address, qint32 baud, quint32 number);
    // Entries that wait for a busy journal are tried again at a poll tick.
    void retryJournal();
    void cellNotTaken(const FieldChange &change);
    void showNotTaken(const QStringList &lines);

    // Downloads kept on disk
    // False, after saying why, when the archive could not be kept.
    bool saveDownload(int archiveNumber, const QByteArray &records);
    void reportDownloadFailure(int archiveNumber, ArchiveDownload::Outcome outcome, bool naming);
    void showSetProgress(int archiveProgress);

    // Progress bar of long operations, with "Отмена" beside it where the work can be stopped
    void showProgressBar(const QString &operation, bool cancellable);
    void removeProgressBar();
    // The box that ends a long operation: its own text when done, "Операция отменена" when
    // cancelled, none when the connection ended or the operation was of an ended connection.
    void showEnding(Ending ending, const QString &doneText);

    QProgressBar *progressBar = nullptr;
    bool tickRunning = false;
    // The download in progress: whether a block came yet, and the table's rows before it.
    bool archiveFilling = false;
    int rowsBefore = 0;
    // "Загрузить все" in progress: archives in the set, the one now loading, time since start.
    int setArchives = 0;
    int setIndex = 0;
    QElapsedTimer setClock;
    // Why an archive of the set could not be kept; said instead of the set's closing box.
    QString setSaveError;
    bool journalWarned = false;
    // Fields of the range write in progress that the controller did not take.
    QStringList refusedLines;
};

#endif
