#ifndef LINKWORKER_H
#define LINKWORKER_H

#include "controller/controllercore.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

class JobRunner;

// The thread all controller work runs in. The controller's serial lines live there while it runs. Jobs are
// handed over from the GUI thread and run one after another; what they report comes back as
// calls run on the GUI thread in the order they were made, one at a time even when one of them
// opens a modal box. The hand-over goes through mutex-guarded queues; Qt only carries the wake-up.
// Every job belongs to the connection it was posted for, and so does what it reports.
class LinkWorker : public QObject
{
    Q_OBJECT
public:
    using Job = std::function<void()>;

    explicit LinkWorker(QObject *parent = nullptr);
    // Stops after the exchange in progress, closes the lines and hands them back.
    ~LinkWorker() override;

    // GUI thread.
    void post(Job job);
    // Runs the job in the worker and waits for it; for short work such as opening the port.
    void runAndWait(Job job);
    // True from a post until the job has run and everything it reported has been shown.
    bool busy() const { return outstanding > 0; }
    // Asks the running operation to stop after its exchange in progress.
    void cancel() { cancelFlag = true; }
    // Asks all work to end at once, abandoning the exchange in progress, until a job clears it.
    void stop() { stopFlag = true; }
    // Work posted from now on belongs to a new connection (or to none, after a disconnect).
    void newConnection() { ++connection; }
    // While a report is shown: whether its job was posted for the present connection. What
    // work of an ended connection reports must not touch the present one.
    bool reportCurrent() const { return shownConnection == connection; }

    // Worker thread: the jobs' controller.
    ControllerCore &controller() { return device; }
    const ControllerCore &controller() const { return device; }
    void report(Job call);
    bool cancelled() const { return cancelFlag || stopFlag; }
    bool stopping() const { return stopFlag; }
    void clearCancel() { cancelFlag = false; }
    void clearStop() { stopFlag = false; }

signals:
    // GUI thread: the port of the present connection failed while no job was using it; the
    // line is closed.
    void portFailed();

private slots:
    void showReports();

private:
    friend class JobRunner;
    // A job or report with the connection it belongs to.
    using Tagged = std::pair<Job, quint64>;

    void runJobs();
    bool takeJob(Job &job);

    ControllerCore device;
    QThread thread;
    JobRunner *runner;
    std::mutex lock;
    std::deque<Tagged> jobs;
    std::deque<Tagged> reports;
    int outstanding = 0;
    quint64 connection = 0;      // GUI thread
    quint64 shownConnection = 0; // GUI thread: of the report being shown
    quint64 jobConnection = 0;   // worker thread: of the job that ran last
    bool showing = false;
    std::atomic<bool> cancelFlag{false};
    std::atomic<bool> stopFlag{false};
};

#endif
