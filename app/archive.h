#ifndef ARCHIVE_H
#define ARCHIVE_H

#include "archive/archivefiles.h"
#include "archive/archiverecord.h"
#include "controller/archivedownload.h"

#include <QObject>
#include <QStringList>
#include <functional>

class QDate;
class QProgressBar;
class QStandardItemModel;
class QTableView;
class QTime;
class Ui_MainWindow;

// Program-wide record buffers, filled by the folder load and reused by the export.
extern ArchiveRecord eventRecords[ARCHIVE_RECORD_CAPACITY];
extern ArchiveRecord channelArchiveRecords[ARCHIVE_RECORD_CAPACITY];

// The archive tab: drives, folders, the events and channel tables, search and export.
class Archive : public QObject
{
    Q_OBJECT
public:
    explicit Archive(QObject *parent = nullptr);
    ~Archive() override;

    void init(Ui_MainWindow *ui);
    void setupTables(int rows);
    void setChannelCount(int channels);
    void scanDisks();
    void scanDirs();
    void loadFromFolder();
    void findByDateTime();
    void addEventRow(const ArchiveRecord &record, int row);
    void addChannelRow(const ArchiveRecord &record, int row);
    // A downloaded block of archive 0 (events) or k (channel k): into its table and, as a folder
    // load does, into the record buffer behind it.
    void addDownloadedBlock(int archiveNumber, const ArchiveDownload::Block &block);
    void exportToXlsx(QProgressBar *bar);

    // Row count of both tables for the device type (16000 or 8000); 0 before setupTables.
    int rowLimit() const { return tableRows; }
    // Empties every cell from the given row to the end of the table; negative starts at 0.
    void blankEventRows(int from);
    void blankChannelRows(int from);
    // Selects row eventRows - 1 of the events table and channelRecCount - 1 of the channel
    // table, each kept within the table.
    void selectLastRows();
    // Where scanDisks looks for the marker; the mounted volumes unless replaced.
    void setDriveSource(std::function<QStringList()> source);
    // The folder of downloaded archives, with its trailing slash, listed after the drives while
    // it exists; ArchiveStore's default root unless replaced.
    void setDownloadRoot(const QString &root);
    // Makes the archive folder at this path the current drive and folder, scanning the drives
    // again; false when either is not listed.
    bool selectFolder(const QString &folder);
    // The chosen drive and folder, with a trailing slash.
    QString folderPath() const;
    // The channel whose archive fills the channel table's records; 0 for none.
    int tableChannel() const { return recordsChannel; }

    int eventRows = 0;
    int channelRows = 0;
    int channelRecCount = 0;
    int channelCount = 0;
    int eventRecCount = 0;

private:
    struct Table;

    Table eventTable();
    Table channelTable();
    void addRecordRow(const Table &table, const ArchiveRecord &record, int row);
    void fillEvents(int channel);
    void fillChannel();

    Ui_MainWindow *ui = nullptr;
    QStandardItemModel *eventModel = nullptr;
    QStandardItemModel *channelModel = nullptr;
    int tableRows = 0;
    std::function<QStringList()> driveSource;
    QString downloadRoot;
    int recordsChannel = 0;
};

#endif
