#ifndef TRAFFICPAGE_H
#define TRAFFICPAGE_H

#include "link/traffic_log.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QTableView;
class TrafficModel;

// The "Обмен" tab: the exchanges of the line as they happen, the count of each result since
// connecting, and the list cleared or saved as text. The line records into log(); the page takes
// what it recorded a few times a second.
class TrafficPage : public QWidget
{
    Q_OBJECT
public:
    explicit TrafficPage(QWidget *parent = nullptr);

    traffic_log &log() { return traffic; }
    // Counts start again with a new connection; the list keeps what came before.
    void connectionStarted();
    // Shows what the line recorded so far.
    void takeRecorded();

private slots:
    void on_pbTrafficClear_clicked();
    void on_pbTrafficSave_clicked();

private:
    void showCounts();

    traffic_log traffic;
    TrafficModel *model;
    QTableView *view;
    QLabel *countsLabel;
    QTimer pull;
    QString lastDir;
};

#endif
