#include "app/archive.h"

#include "app/archiveexport.h"
#include "app/columnwidths.h"
#include "app/messages.h"
#include "archive/archivecolumns.h"
#include "archive/archivefiles.h"
#include "archive/archivestore.h"
#include "archive/archivetext.h"
#include "archive/drives.h"
#include "ui_mainwindow.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTime>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

ArchiveRecord eventRecords[ARCHIVE_RECORD_CAPACITY];
ArchiveRecord channelArchiveRecords[ARCHIVE_RECORD_CAPACITY];

namespace {

constexpr int COLUMN_COUNT = ArchiveColumns::COUNT;
using ArchiveColumns::Headers;

// The columns a record writes; the others stay empty for good.
using WrittenColumns = std::vector<int>;
const WrittenColumns EVENT_COLUMNS = {0, 1, 2, 3, 4, 5, 7};
const WrittenColumns CHANNEL_COLUMNS = {0, 1, 2, 3, 7};

QStringList eventTexts(const ArchiveRecord &record)
{
    using namespace ArchiveText;
    const bool withValue = carriesValue(record.code);
    return {dateText(record),
            timeText(record),
            channelText(record),
            eventName(record.code),
            withValue ? valueText(record) : QString(),
            withValue ? unitNameOrDefault(record) : QString(),
            auxText(record, 5)};
}

QStringList channelTexts(const ArchiveRecord &record)
{
    using namespace ArchiveText;
    return {dateText(record), timeText(record), valueText(record), unitNameOrDefault(record),
            auxText(record, 4)};
}

using ColumnSamples = std::array<QStringList, COLUMN_COUNT>;

QStringList eventNames()
{
    QStringList names;
    for (int code = 0; code < ArchiveText::NAMED_EVENT_CODES; ++code)
        names << ArchiveText::eventName(code);
    return names;
}

QStringList unitNames()
{
    QStringList names;
    for (int index = 0; index < ArchiveText::UNIT_NAME_COUNT; ++index)
        names << ArchiveText::unitName(index);
    return names;
}

// The widest texts a column of each table shows: digits are equally wide, and a value has at
// most five digits and a point.
const QStringList DATE_SAMPLE = {QStringLiteral("00.00.00")};
const QStringList TIME_SAMPLE = {QStringLiteral("00:00:00")};
const QStringList CHANNEL_SAMPLE = {QStringLiteral("00")};
const QStringList VALUE_SAMPLE = {QStringLiteral("00.000")};
const QStringList AUX_SAMPLE = {QStringLiteral("00000")};

ColumnSamples eventSamples()
{
    return {DATE_SAMPLE, TIME_SAMPLE, CHANNEL_SAMPLE, eventNames(), VALUE_SAMPLE,
            unitNames(), {},          AUX_SAMPLE};
}

ColumnSamples channelSamples()
{
    return {DATE_SAMPLE, TIME_SAMPLE, VALUE_SAMPLE, unitNames(), {}, {}, {}, AUX_SAMPLE};
}

QStringList emptySlotTexts(int columns)
{
    QStringList texts(QString::fromLatin1(ArchiveText::EMPTY_SLOT));
    while (texts.size() < columns)
        texts << QString();
    return texts;
}

bool hasRow(const QStandardItemModel *model, int row)
{
    return model && row >= 0 && row < model->rowCount();
}

void setRowTexts(QStandardItemModel *model, int row, const WrittenColumns &columns,
                 const QStringList &texts)
{
    for (int i = 0; i < texts.size(); ++i)
        model->setData(model->index(row, columns[i]), texts[i]);
}

void blankRows(QStandardItemModel *model, int from)
{
    if (!model)
        return;
    for (int row = std::max(from, 0); row < model->rowCount(); ++row) {
        for (int column = 0; column < COLUMN_COUNT; ++column) {
            // Cells never written have no item; creating one only to hold "" would cost much.
            QStandardItem *item = model->item(row, column);
            if (item && !item->text().isEmpty())
                item->setText(QString());
        }
    }
}

void selectRowWithin(QTableView *view, int row)
{
    const int last = view->model() ? view->model()->rowCount() - 1 : -1;
    view->selectRow(std::max(0, std::min(row, last)));
}

// An archive table labels its rows with their numbers from 1 as "%02d". The labels are computed:
// an item per row label would make setting up 16000 rows many times slower.
class ArchiveTableModel : public QStandardItemModel
{
    Q_OBJECT
public:
    ArchiveTableModel(int rows, QObject *parent) : QStandardItemModel(rows, COLUMN_COUNT, parent) {}

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Vertical && role == Qt::DisplayRole)
            return QString::number(section + 1).rightJustified(2, QLatin1Char('0'));
        return QStandardItemModel::headerData(section, orientation, role);
    }
};

QStandardItemModel *createModel(QTableView *view, int rows, const Headers &headers)
{
    auto *model = new ArchiveTableModel(rows, view);
    QStringList labels;
    for (const ArchiveColumns::Header &header : headers)
        labels << QString::fromUtf8(header.label);
    model->setHorizontalHeaderLabels(labels);
    return model;
}

void installModel(QTableView *view, QStandardItemModel *model, QStandardItemModel *oldModel,
                  const Headers &headers, const ColumnSamples &samples)
{
    QItemSelectionModel *oldSelection = view->selectionModel();
    view->setModel(model);
    delete oldSelection;
    delete oldModel;

    view->show();
    view->verticalHeader()->setVisible(true);
    QHeaderView *header = view->horizontalHeader();
    const ColumnWidths widths(view);
    for (int column = 0; column < COLUMN_COUNT; ++column) {
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, widths.fit(column, headers[column].width,
                                                 QString::fromUtf8(headers[column].label),
                                                 samples[column]));
    }
}

// The three two-digit fields of "dd.MM.yy" or "hh:mm:ss"; false for a text of another form.
// Parsed by hand: QDate::fromString would take a second for the rows of both tables.
bool readFields(const QString &text, QChar separator, int (&fields)[3])
{
    if (text.size() != 8 || text.at(2) != separator || text.at(5) != separator)
        return false;
    for (int i = 0; i < 3; ++i) {
        const char16_t high = text.at(3 * i).unicode();
        const char16_t low = text.at(3 * i + 1).unicode();
        if (high < u'0' || high > u'9' || low < u'0' || low > u'9')
            return false;
        fields[i] = (high - u'0') * 10 + (low - u'0');
    }
    return true;
}

// A row's moment; only rows whose date and time can both be read have one.
struct RowMoment {
    int row;
    QDate date;
    QTime time;
};

std::vector<RowMoment> rowMoments(const QAbstractItemModel *model, int n)
{
    std::vector<RowMoment> moments;
    n = std::min(n, model->rowCount());
    for (int row = 0; row < n; ++row) {
        int day[3];
        int clock[3];
        if (!readFields(model->index(row, 0).data().toString(), QLatin1Char('.'), day) ||
            !readFields(model->index(row, 1).data().toString(), QLatin1Char(':'), clock))
            continue;
        const QDate date(2000 + day[2], day[1], day[0]);
        const QTime time(clock[0], clock[1], clock[2]);
        if (date.isValid() && time.isValid())
            moments.push_back({row, date, time});
    }
    return moments;
}

// Among the first n rows, the rows with a moment are taken to be in time order; of these, the
// first at or after the target moment, else the last one. -1 when no row has a moment.
int findRow(const QAbstractItemModel *model, int n, const QDate &date, const QTime &time)
{
    const std::vector<RowMoment> moments = rowMoments(model, n);
    const int count = int(moments.size());
    if (count == 0)
        return -1;
    int i = 0;
    while (i < count && moments[i].date < date)
        ++i;
    if (i == count)
        return moments.back().row;
    if (moments[i].date > date)
        return moments[i].row;

    int nextDay = i + 1;
    while (nextDay < count && moments[nextDay].date <= date)
        ++nextDay;
    const int last = std::min(nextDay, count - 1);
    for (; i < last; ++i) {
        if (moments[i].time.secsTo(time) < 1)
            return moments[i].row;
    }
    return moments[last].row;
}

void selectFound(QTableView *view, int n, const QDate &date, const QTime &time)
{
    if (!view->model())
        return;
    const int row = findRow(view->model(), n, date, time);
    if (row >= 0)
        view->selectRow(row);
}

} // namespace

struct Archive::Table {
    QStandardItemModel *model;
    const WrittenColumns &columns;
    QStringList (*texts)(const ArchiveRecord &);
    int &filledRows;
};

Archive::Archive(QObject *parent)
    : QObject(parent), driveSource(archiveDriveRoots), downloadRoot(ArchiveStore().root())
{}

Archive::~Archive() = default;

void Archive::init(Ui_MainWindow *ui)
{
    this->ui = ui;
    scanDisks();
    scanDirs();
}

void Archive::setupTables(int rows)
{
    QStandardItemModel *events = createModel(ui->tvArcEvents, rows, ArchiveColumns::EVENTS);
    QStandardItemModel *channel = createModel(ui->tvArcNotes, rows, ArchiveColumns::CHANNEL);
    installModel(ui->tvArcEvents, events, eventModel, ArchiveColumns::EVENTS, eventSamples());
    installModel(ui->tvArcNotes, channel, channelModel, ArchiveColumns::CHANNEL, channelSamples());
    eventModel = events;
    channelModel = channel;
    tableRows = rows;
}

void Archive::setChannelCount(int channels)
{
    channelCount = channels;
    QStringList names;
    for (int channel = 1; channel <= channels; ++channel)
        names << QString::asprintf("Канал %02d", channel);
    ui->cbArcChannel->clear();
    ui->cbArcChannel->addItem(QStringLiteral("События"));
    ui->cbArcChannel->addItems(names);
}

void Archive::setDriveSource(std::function<QStringList()> source)
{
    driveSource = std::move(source);
}

void Archive::setDownloadRoot(const QString &root)
{
    downloadRoot = root;
}

void Archive::scanDisks()
{
    QStringList disks;
    for (const QString &root : driveSource()) {
        if (QFileInfo::exists(ArchiveFiles::markerFile(root)))
            disks << root;
    }
    if (QFileInfo(downloadRoot).isDir() && !disks.contains(downloadRoot))
        disks << downloadRoot;
    ui->cbArcDisk->clear();
    ui->cbArcDisk->addItems(disks);
}

void Archive::scanDirs()
{
    QStringList folders;
    QDirIterator entries(ui->cbArcDisk->currentText());
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (!name.isEmpty() && name.at(0).isDigit())
            folders << name;
    }
    folders.sort(Qt::CaseInsensitive);
    std::reverse(folders.begin(), folders.end());
    ui->cbArcDirs->clear();
    ui->cbArcDirs->addItems(folders);
    ui->cbArcDirs->setCurrentIndex(0);
}

bool Archive::selectFolder(const QString &folder)
{
    const QFileInfo info(QDir::cleanPath(folder));
    QString drive = info.absolutePath();
    if (!drive.endsWith(QLatin1Char('/')))
        drive += QLatin1Char('/');
    // A download may just have made the drive.
    scanDisks();
    const int disk = ui->cbArcDisk->findText(drive);
    if (disk < 0)
        return false;
    ui->cbArcDisk->setCurrentIndex(disk);
    scanDirs();
    const int dir = ui->cbArcDirs->findText(info.fileName());
    ui->cbArcDirs->setCurrentIndex(dir);
    return dir >= 0;
}

QString Archive::folderPath() const
{
    return ui->cbArcDisk->currentText() + ui->cbArcDirs->currentText() + QLatin1Char('/');
}

void Archive::loadFromFolder()
{
    const int channel = ui->cbArcChannel->currentIndex();
    const QString folder = folderPath();
    QString error;
    QFile events(ArchiveFiles::eventsFile(folder));
    QFile channelFile(ArchiveFiles::channelFile(folder, channel));
    if (!ArchiveFiles::openForReading(events, error) ||
        (channel > 0 && !ArchiveFiles::openForReading(channelFile, error))) {
        showCritical(error);
        return;
    }

    std::memset(eventRecords, 0, sizeof eventRecords);
    std::memset(channelArchiveRecords, 0, sizeof channelArchiveRecords);
    eventRecCount = ArchiveFiles::readRecords(events, eventRecords, ARCHIVE_RECORD_CAPACITY);
    channelRecCount = channel > 0 ? ArchiveFiles::readRecords(channelFile, channelArchiveRecords,
                                                              ARCHIVE_RECORD_CAPACITY)
                                  : 0;
    recordsChannel = channel;
    fillEvents(channel);
    if (channel > 0)
        fillChannel();
    selectLastRows();
}

// Channel 0 shows every record in its own row; a channel shows only its valid records and
// those of the whole device, without gaps.
void Archive::fillEvents(int channel)
{
    if (channel == 0) {
        for (int i = 0; i < eventRecCount; ++i)
            addEventRow(eventRecords[i], i);
        eventRows = std::min(eventRecCount, tableRows);
    } else {
        eventRows = 0;
        for (int i = 0; i < eventRecCount; ++i) {
            const ArchiveRecord &record = eventRecords[i];
            if (ArchiveText::isValid(record) && (record.channel == 0 || record.channel == channel))
                addEventRow(record, eventRows);
        }
    }
    blankEventRows(eventRows);
}

void Archive::fillChannel()
{
    channelRows = 0;
    for (int i = 0; i < channelRecCount; ++i)
        addChannelRow(channelArchiveRecords[i], i);
    blankChannelRows(channelRows);
}

void Archive::findByDateTime()
{
    const QDate date = ui->dateEdit->date();
    const QTime time = ui->timeEdit->time();
    selectFound(ui->tvArcEvents, eventRows, date, time);
    selectFound(ui->tvArcNotes, channelRecCount, date, time);
}

Archive::Table Archive::eventTable()
{
    return {eventModel, EVENT_COLUMNS, eventTexts, eventRows};
}

Archive::Table Archive::channelTable()
{
    return {channelModel, CHANNEL_COLUMNS, channelTexts, channelRows};
}

// A record for a row the table does not have is dropped. An empty slot leaves the count of
// filled rows alone, so the next record given the same row overwrites it.
void Archive::addRecordRow(const Table &table, const ArchiveRecord &record, int row)
{
    if (!hasRow(table.model, row))
        return;
    const bool valid = ArchiveText::isValid(record);
    setRowTexts(table.model, row, table.columns,
                valid ? table.texts(record) : emptySlotTexts(int(table.columns.size())));
    if (valid)
        table.filledRows = row + 1;
}

void Archive::addEventRow(const ArchiveRecord &record, int row)
{
    addRecordRow(eventTable(), record, row);
}

void Archive::addChannelRow(const ArchiveRecord &record, int row)
{
    addRecordRow(channelTable(), record, row);
}

void Archive::addDownloadedBlock(int archiveNumber, const ArchiveDownload::Block &block)
{
    ArchiveRecord *buffer = archiveNumber == 0 ? eventRecords : channelArchiveRecords;
    const int end = std::min(block.firstRow + int(block.records.size()), ARCHIVE_RECORD_CAPACITY);
    for (int row = std::max(block.firstRow, 0); row < end; ++row) {
        const ArchiveRecord &record = block.records.at(row - block.firstRow);
        buffer[row] = record;
        if (archiveNumber == 0)
            addEventRow(record, row);
        else
            addChannelRow(record, row);
    }
    if (archiveNumber == 0) {
        eventRecCount = end;
    } else {
        channelRecCount = end;
        recordsChannel = archiveNumber;
    }
}

void Archive::blankEventRows(int from)
{
    blankRows(eventModel, from);
}

void Archive::blankChannelRows(int from)
{
    blankRows(channelModel, from);
}

void Archive::selectLastRows()
{
    selectRowWithin(ui->tvArcEvents, eventRows - 1);
    selectRowWithin(ui->tvArcNotes, channelRecCount - 1);
}

void Archive::exportToXlsx(QProgressBar *bar)
{
    ArchiveExport::toXlsx(folderPath(), channelCount, bar);
}

#include "archive.moc"
