#ifndef ARCHIVECHART_H
#define ARCHIVECHART_H

#include "archive/chartdata.h"

#include <QHash>
#include <QList>
#include <QWidget>
#include <functional>

class Archive;
class QCPAbstractItem;
class QCPAxis;
class QCPGraph;
class QCPTextElement;
class QCustomPlot;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMouseEvent;
class QShowEvent;
struct ChannelRecord;

// The "График" page: the channel archive of the archive tab as a curve over time, with the
// channel's thresholds, the events of the channel and the controller, and other channels of the
// same folder laid over it.
class ArchiveChart : public QWidget
{
    Q_OBJECT
public:
    // Channels of the folder that can be laid over the shown one at once.
    static constexpr int MAX_OVERLAYS = 8;

    // The settings of archive channel k (from 1), or null while they are not known.
    using SettingsSource = std::function<const ChannelRecord *(int channel)>;

    explicit ArchiveChart(const Archive &archive, QWidget *parent = nullptr);

    void setSettingsSource(SettingsSource source);
    // Draws what the archive tab's tables now hold, and offers the other channels of its folder.
    void showArchive();
    // Draws the thresholds again, for settings that became known or changed.
    void showThresholds();

signals:
    // Something done without a box, for the status bar.
    void operationDone(const QString &text);

protected:
    // Settings edited in the channel table since the last look show as they are now.
    void showEvent(QShowEvent *event) override;

private slots:
    void on_pbChartSave_clicked();

private:
    void drawEvents();
    void removeItems(QList<QCPAbstractItem *> &items);
    void listFolderChannels();
    void overlayChanged(QListWidgetItem *item);
    bool addOverlay(int channel);
    QCPGraph *addGraph(int channel, const ChartData::Series &series);
    // The value axis of the unit: the left one for the shown channel's, one on the right for
    // each other unit.
    QCPAxis *unitAxis(const QString &unit);
    void hideUnusedAxes();
    void fitValues();
    void showAll();
    void redraw();
    void followMouse(QMouseEvent *event);
    QString eventTextNear(int pixelX) const;

    const Archive &archive;
    SettingsSource settingsSource;
    QCustomPlot *plot;
    QListWidget *channelList;
    QCPTextElement *title;
    QLabel *cursorLabel;
    int channel = 0;
    QString folder;
    QVector<ChartData::EventMark> eventMarks;
    QList<QCPAbstractItem *> eventItems;
    QList<QCPAbstractItem *> thresholdItems;
    QVector<double> thresholdValues;
    QHash<int, QCPGraph *> overlays; // by channel
    QString lastDir;
};

#endif
