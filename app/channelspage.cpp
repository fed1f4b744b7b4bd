#include "app/channelspage.h"

#include "app/archive.h"
#include "app/cellwrite.h"
#include "app/columnwidths.h"
#include "app/comboboxdelegate.h"
#include "app/controllercells.h"
#include "app/filedialogs.h"
#include "app/inifile.h"
#include "app/messages.h"
#include "app/textcelldelegate.h"
#include "device/celledit.h"
#include "device/channeldiff.h"
#include "device/channelformat.h"
#include "device/channelrecord.h"
#include "device/columndefs.h"
#include "device/data.h"
#include "device/settingsfile.h"
#include "device/texttables.h"
#include "device/wholefile.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListWidgetItem>
#include <QStandardItemModel>
#include <functional>

namespace {

constexpr int ARCHIVE_ROWS[2] = {16000, 8000};
constexpr int ROW_HEIGHT = 10;
constexpr int LIST_COLUMNS[] = {0, 1, 7, 8, 14, 16, 18, 25};
// An editor opens when asked for, not on every move of the cursor: moving through the table
// must not write anything.
constexpr QAbstractItemView::EditTriggers EDIT_TRIGGERS =
    QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;

QStringList columnHeaders()
{
    QStringList headers;
    for (const ColumnDef &column : COLUMN_DEFS)
        headers << QString::fromUtf8(column.header);
    return headers;
}

QStringList rowHeaders(int rows)
{
    QStringList headers;
    for (int row = 1; row <= rows; ++row)
        headers << QString::asprintf("Канал %02d", row);
    return headers;
}

// Sections are switched back to interactive at once: filling a view whose
// sections still resize to contents grows quadratically with the rows.
void sizeSections(QHeaderView *header, int count, const std::function<int(int)> &size)
{
    for (int i = 0; i < count; ++i) {
        header->setSectionResizeMode(i, QHeaderView::ResizeToContents);
        header->setSectionResizeMode(i, QHeaderView::Interactive);
        header->resizeSection(i, size(i));
    }
}

} // namespace

ChannelsPage::ChannelsPage(Data &data, Archive &archive, const ControllerCells &cells,
                           QObject *parent)
    : QObject(parent), data(data), archive(archive), cells(cells)
{}

void ChannelsPage::init(Ui_MainWindow *mainUi, QWidget *dialogParent)
{
    ui = mainUi;
    window = dialogParent;
}

void ChannelsPage::setup(int devType)
{
    // A device type restored from a damaged "ini" counts as the 32-channel one.
    devType = devType == 1 ? 1 : 0;
    ui->cTypeDev->setCurrentIndex(devType);
    data.devType = devType;
    data.chanCount = devType == 1 ? 64 : 32;
    archive.setupTables(ARCHIVE_ROWS[devType]);
    // Records filled for this device type are kept: the table is drawn from them.
    if (recordsFilledFor != devType) {
        setDefaultModuleTypes(devType);
        recordsFilledFor = -1;
    }

    for (int i = 0; i < COLUMN_COUNT; ++i) {
        ui->lwSelect->item(i)->setCheckState(iniBlock.columnShown[i] ? Qt::Checked : Qt::Unchecked);
        ui->lwSelect->setRowHidden(i, !columnAvailable(devType, i));
    }
    ui->sbEndChan->setMaximum(data.chanCount);
    ui->sbBeginChan->setMaximum(data.chanCount);
    archive.setChannelCount(data.chanCount);

    QTableView *view = ui->tvChannelsCfg;
    auto *model = new QStandardItemModel(data.chanCount, COLUMN_COUNT, view);
    model->setHorizontalHeaderLabels(columnHeaders());
    model->setVerticalHeaderLabels(rowHeaders(data.chanCount));
    QAbstractItemModel *oldModel = view->model();
    QItemSelectionModel *oldSelection = view->selectionModel();
    view->setModel(model);
    delete oldSelection;
    delete oldModel;
    view->show();
    view->verticalHeader()->show();
    view->setEditTriggers(EDIT_TRIGGERS);

    // The list columns are measured as their own delegate draws them.
    if (!qobject_cast<comboBoxDelegate *>(view->itemDelegateForColumn(LIST_COLUMNS[0]))) {
        auto *delegate = new comboBoxDelegate(view);
        for (int column : LIST_COLUMNS)
            view->setItemDelegateForColumn(column, delegate);
        auto *textDelegate = new TextCellDelegate(view);
        for (int column = 0; column < COLUMN_COUNT; ++column)
            if (CellEdit::kindOf(column) == CellEdit::Kind::Text)
                view->setItemDelegateForColumn(column, textDelegate);
    }
    const ColumnWidths widths(view);
    sizeSections(view->horizontalHeader(), COLUMN_COUNT, [&widths](int i) {
        return widths.fit(i, COLUMN_DEFS[i].width, QString::fromUtf8(COLUMN_DEFS[i].header),
                          ChannelFormat::fixedTexts(i));
    });
    sizeSections(view->verticalHeader(), data.chanCount, [](int) { return ROW_HEIGHT; });

    for (int row = 0; row < data.chanCount; ++row)
        for (int column = 0; column < COLUMN_COUNT; ++column)
            model->setData(model->index(row, column), int(Qt::AlignHCenter | Qt::AlignVCenter),
                           Qt::TextAlignmentRole);
    for (int row = 0; row < data.chanCount; ++row)
        fillRow(row);
    disconnectCellHook();
    connectCellHook();

    for (int i = 0; i < COLUMN_COUNT; ++i) {
        if (!columnAvailable(devType, i)) {
            iniBlock.columnShown[i] = 0;
            ui->lwSelect->item(i)->setCheckState(Qt::Unchecked);
        }
        view->setColumnHidden(i, iniBlock.columnShown[i] == 0);
    }
}

void ChannelsPage::connectCellHook()
{
    connect(static_cast<QStandardItemModel *>(ui->tvChannelsCfg->model()),
            &QStandardItemModel::dataChanged, this, &ChannelsPage::cellChanged,
            Qt::DirectConnection);
}

void ChannelsPage::disconnectCellHook()
{
    disconnect(ui->tvChannelsCfg->model(), &QAbstractItemModel::dataChanged, this,
               &ChannelsPage::cellChanged);
}

// A range operation works on the records as they were when its tick began, and its reads fill
// the table: until it ends the table takes no edits and no settings file is loaded. An editor
// open when it starts is closed without writing (closePersistentEditor closes any editor).
void ChannelsPage::setRangeOperation(bool running)
{
    QTableView *view = ui->tvChannelsCfg;
    if (running)
        view->closePersistentEditor(view->currentIndex());
    view->setEditTriggers(running ? QAbstractItemView::NoEditTriggers : EDIT_TRIGGERS);
    ui->btImport->setEnabled(!running);
}

void ChannelsPage::takeRange()
{
    firstChan = ui->sbBeginChan->value();
    lastChan = ui->sbEndChan->value();
}

void ChannelsPage::cellChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                               const QVector<int> &roles)
{
    Q_UNUSED(bottomRight)
    if (roles.isEmpty() || roles.last() != Qt::EditRole)
        return;
    RegisterPatch patch;
    FieldChange change;
    change.channel = topLeft.row();
    change.column = topLeft.column();
    if (change.channel >= 0 && change.channel < MAX_CHANNELS)
        change.before = cells.text(change.channel, change.column);
    const CellWrite::Result written = CellWrite(data).write(topLeft, patch);
    if (written == CellWrite::Result::Ignored)
        return;
    if (written != CellWrite::Result::Refused)
        recordsFilledFor = data.devType;
    // The row shows what its record holds now, as a read of the channel would: the value as
    // stored (rounded, cut to 16 bytes, or the old one when refused) and every cell that reads
    // it (the scaled values at new decimals, the cells a module type leaves without meaning).
    disconnectCellHook();
    redrawRow(topLeft.row());
    connectCellHook();
    if (written == CellWrite::Result::Sent) {
        change.after =
            ChannelFormat::cell(channelRecords[change.channel], change.column).toString();
        emit cellToSend(patch, change);
    }
}

void ChannelsPage::exportSettings()
{
    const QString fileName = askSaveFileName(
        window, tr("Файл настроек"),
        QDir(dialogStartFolder(settingsDir)).filePath(QStringLiteral("setting.bin")),
        tr("Файлы настроек (*.bin);;Все файлы (*)"), QStringLiteral("bin"));
    if (fileName.isEmpty())
        return;
    settingsDir = QFileInfo(fileName).path();
    switch (SettingsFile::save(fileName)) {
    case SettingsFile::Result::Ok:
        emit operationDone(QStringLiteral("Настройки сохранены в файл ") +
                           QFileInfo(fileName).fileName());
        break;
    case SettingsFile::Result::OpenFailed:
        showCritical(QStringLiteral("Ошибка открытия файла ") + fileName);
        break;
    case SettingsFile::Result::WriteFailed:
        showCritical(WholeFile::notWrittenText(fileName));
        break;
    }
}

void ChannelsPage::importSettings()
{
    const QString fileName =
        QFileDialog::getOpenFileName(window, tr("Файл настроек"), dialogStartFolder(settingsDir),
                                     tr("Все файлы (*);;Файлы настроек (*.bin)"));
    if (fileName.isEmpty())
        return;
    settingsDir = QFileInfo(fileName).path();
    switch (SettingsFile::load(fileName)) {
    case SettingsFile::LoadResult::Ok: break;
    case SettingsFile::LoadResult::WrongSize:
        showCritical(SettingsFile::wrongSizeText(fileName));
        return;
    case SettingsFile::LoadResult::OpenFailed:
        showCritical(QStringLiteral("Ошибка открытия файла ") + fileName);
        return;
    }
    data.settingsKnown.set();
    recordsFilledFor = data.devType;
    loadedSettingsFile = QFileInfo(fileName).fileName();
    disconnectCellHook();
    for (int c = 0; c < data.chanCount; ++c)
        fillRow(c);
    connectCellHook();
    emit settingsLoaded();
    emit operationDone(QStringLiteral("Настройки загружены из файла ") +
                       QFileInfo(fileName).fileName());
}

QStandardItemModel *ChannelsPage::channelModel() const
{
    return static_cast<QStandardItemModel *>(ui->tvChannelsCfg->model());
}

void ChannelsPage::fillRow(int channel)
{
    QStandardItemModel *model = channelModel();
    const ChannelRecord &r = channelRecords[channel];
    const QBrush colour(r.active ? Qt::black : Qt::gray);
    for (int column = 0; column < model->columnCount(); ++column) {
        model->setData(model->index(channel, column), colour, Qt::ForegroundRole);
        model->setData(model->index(channel, column), QVariant(), Qt::BackgroundRole);
    }
    redrawRow(channel);
    channelRecords[channel].edited = 0;
}

void ChannelsPage::redrawRow(int channel)
{
    for (int column = 0; column < channelModel()->columnCount(); ++column)
        redrawCell(channel, column);
}

void ChannelsPage::markRefused(int channel, int column)
{
    QStandardItemModel *model = channelModel();
    model->setData(model->index(channel, column), QBrush(Qt::red), Qt::BackgroundRole);
}

void ChannelsPage::redrawCell(int channel, int column)
{
    QStandardItemModel *model = channelModel();
    model->setData(model->index(channel, column),
                   ChannelFormat::cell(channelRecords[channel], column), Qt::DisplayRole);
}

void ChannelsPage::describeRange(ReportContent &content) const
{
    content.devType = data.devType;
    content.first = qBound(0, ui->sbBeginChan->value() - 1, data.chanCount - 1);
    content.last = qBound(content.first, ui->sbEndChan->value() - 1, data.chanCount - 1);
    content.known = data.settingsKnown;
    content.records = channelRecords;
    content.settingsFile = loadedSettingsFile;
}
