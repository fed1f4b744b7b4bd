#ifndef CHANNELSPAGE_H
#define CHANNELSPAGE_H

#include "controller/controllerlink.h"
#include "journal/commissioningreport.h"

#include <QObject>
#include <QVector>

class Archive;
class ControllerCells;
class Data;
class QModelIndex;
class QStandardItemModel;
class QWidget;
class Ui_MainWindow;
struct FieldChange;

// The "Каналы" tab: the channel table drawn from the records, its edits, the range of channels
// to read or write and the settings file.
class ChannelsPage : public QObject
{
    Q_OBJECT
public:
    ChannelsPage(Data &data, Archive &archive, const ControllerCells &cells,
                 QObject *parent = nullptr);

    // Dialogs open over dialogParent.
    void init(Ui_MainWindow *ui, QWidget *dialogParent);
    // The table for the device type, drawn from the records.
    void setup(int devType);
    void connectCellHook();
    void disconnectCellHook();
    // No edits and no settings import while a range read, range write or download runs.
    void setRangeOperation(bool running);
    // The channels a read or write goes through, as chosen now.
    void takeRange();

    void fillRow(int channel);
    // Every cell of the row drawn from its record; colours and marks stay.
    void redrawRow(int channel);
    void redrawCell(int channel, int column);
    // Drawn red until the channel's row is filled again from a read.
    void markRefused(int channel, int column);

    void exportSettings();
    void importSettings();
    // The range, the records and where they came from, for a commissioning report.
    void describeRange(ReportContent &content) const;

    // An edit of the table: into its record, the row redrawn, and sent while connected.
    void cellChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QVector<int> &roles);

    int firstChan = 1;
    int lastChan = 1;
    // The device type the records were filled for (imported, edited, read); -1: none.
    int recordsFilledFor = -1;
    // The settings file the table was last loaded from, named in a report made offline.
    QString loadedSettingsFile;

signals:
    // A cell the controller is to hold, with the journal's view of the change.
    void cellToSend(const RegisterPatch &patch, const FieldChange &change);
    void settingsLoaded();
    void operationDone(const QString &text);

private:
    QStandardItemModel *channelModel() const;

    Data &data;
    Archive &archive;
    const ControllerCells &cells;
    Ui_MainWindow *ui = nullptr;
    QWidget *window = nullptr;
};

#endif
