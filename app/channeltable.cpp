#include "app/mainwindow.h"

#include "app/columnwidths.h"
#include "app/inifile.h"
#include "app/linkworker.h"
#include "app/textcelldelegate.h"
#include "device/celledit.h"
#include "device/channelformat.h"
#include "device/channelrecord.h"
#include "device/columndefs.h"
#include "device/comboboxdelegate.h"
#include "device/texttables.h"
#include "ui_mainwindow.h"

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

void MainWindow::setupChannelTable(int devType)
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
        data.fillRow(row);
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

void MainWindow::connectCellHook()
{
    connect(static_cast<QStandardItemModel *>(ui->tvChannelsCfg->model()),
            &QStandardItemModel::dataChanged, this, &MainWindow::dataChangedSlot,
            Qt::DirectConnection);
}

void MainWindow::disconnectCellHook()
{
    disconnect(ui->tvChannelsCfg->model(), &QAbstractItemModel::dataChanged, this,
               &MainWindow::dataChangedSlot);
}

// A range operation works on the records as they were when its tick began, and its reads fill
// the table: until it ends the table takes no edits and no settings file is loaded. An editor
// open when it starts is closed without writing (closePersistentEditor closes any editor).
void MainWindow::setRangeOperation(bool running)
{
    QTableView *view = ui->tvChannelsCfg;
    if (running)
        view->closePersistentEditor(view->currentIndex());
    view->setEditTriggers(running ? QAbstractItemView::NoEditTriggers : EDIT_TRIGGERS);
    ui->btImport->setEnabled(!running);
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
    Q_UNUSED(bottomRight)
    if (roles.isEmpty() || roles.last() != Qt::EditRole)
        return;
    RegisterPatch patch;
    FieldChange change;
    change.channel = topLeft.row();
    change.column = topLeft.column();
    if (change.channel >= 0 && change.channel < MAX_CHANNELS)
        change.before = controllerCells.text(change.channel, change.column);
    const Data::CellWrite written = data.writeCell(topLeft, patch);
    if (written == Data::CellWrite::Ignored)
        return;
    if (written != Data::CellWrite::Refused)
        recordsFilledFor = data.devType;
    // The row shows what its record holds now, as a read of the channel would: the value as
    // stored (rounded, cut to 16 bytes, or the old one when refused) and every cell that reads
    // it (the scaled values at new decimals, the cells a module type leaves without meaning).
    disconnectCellHook();
    data.redrawRow(topLeft.row());
    connectCellHook();
    if (written == Data::CellWrite::Sent) {
        change.after =
            ChannelFormat::cell(channelRecords[change.channel], change.column).toString();
        sendCellPatch(patch, change);
    }
}

// A failed single-cell write is a link failure like any other; a write the controller did not
// keep is shown in red. Either way it is journalled before the next exchange.
void MainWindow::sendCellPatch(const RegisterPatch &patch, const FieldChange &change)
{
    worker->post([this, patch, change, identity = linkIdentity()] {
        ControllerCore &controller = worker->controller();
        if (!controller.isOpen())
            return;
        WriteLog log(
            journal, identity,
            [this](const QString &error) {
                worker->report([this, error] { journalFailed(error); });
            },
            [this] { worker->report([this] { journalBusy(); }); });
        const Outcome outcome = controller.writeCell(patch, change, log);
        if (outcome.linkFailed())
            worker->report([this] { linkFailed(); });
        else if (outcome.kind == Outcome::Kind::Done)
            worker->report([this, change, text = outcome.text] {
                controllerCells.taken(change);
                operationDone(text);
            });
        else
            worker->report([this, change] { cellNotTaken(change); });
    });
}

void MainWindow::cellNotTaken(const FieldChange &change)
{
    data.markRefused(change.channel, change.column);
    showNotTaken({QString::asprintf("Канал %02d, ", change.channel + 1) +
                  ChannelDiff::columnTitle(change.column) + QStringLiteral(": записано ") +
                  change.after});
}
