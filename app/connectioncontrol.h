#ifndef CONNECTIONCONTROL_H
#define CONNECTIONCONTROL_H

#include "app/polltick.h"

#include <QString>
#include <memory>

class ArchiveStore;
class ChannelsPage;
class ControllerCells;
class Data;
class LinkWorker;
class QLabel;
class QTimer;
class TrafficPage;
class Ui_MainWindow;

// Connecting and disconnecting: the line's settings from the form, the connection's identity,
// and the link state in the status bar.
class ConnectionControl
{
public:
    ConnectionControl(Ui_MainWindow *ui, Data &data, ChannelsPage &channels,
                      ControllerCells &controllerCells, ArchiveStore &archiveStore,
                      LinkWorker &worker, TrafficPage *trafficPage, QTimer &timer,
                      QLabel *linkStateLabel);

    void start();
    void stop();
    void setConnectedState(bool connected);
    // The window's side of a disconnect; the line is closed by the worker.
    void enterDisconnected();
    void showLinkState(const QString &operation = QString());
    // The controller answered with its factory number.
    void setIdentified(quint32 number);
    LinkIdentity linkIdentity() const;
    const QString &portName() const { return linkPortName; }

    // A range write confirmed in its difference dialog, for the next tick.
    std::shared_ptr<const WritePlan> pendingWrite;
    // The next range write's read is for "Сравнить": listed, not written.
    bool compareOnly = false;

private:
    Ui_MainWindow *ui;
    Data &data;
    ChannelsPage &channels;
    ControllerCells &controllerCells;
    ArchiveStore &archiveStore;
    LinkWorker *worker;
    TrafficPage *trafficPage;
    QTimer &timer;
    QLabel *linkStateLabel;
    QString linkPortName;
    int linkAddress = 0;
    QString connectedPort;
    quint32 factoryNumber = 0;
    bool identified = false;
};

#endif
