#ifndef LINKWORKER_H
#define LINKWORKER_H

#include <QObject>
#include <QThread>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

class JobRunner;

// The thread all controller work runs in. The serial lines live there while it runs. Jobs are
// handed over from the GUI thread and run one after another; what they report comes back as
// calls run on the GUI thread in the order they were made, one at a time even when one of them
// opens a modal box. The hand-over goes through mutex-guarded queues; Qt only carries the wake-up.
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
    // Asks all work to end after the exchange in progress, until the next job clears it.
    void stop() { stopFlag = true; }

    // Worker thread.
    void report(Job call);
    bool cancelled() const { return cancelFlag || stopFlag; }
    bool stopping() const { return stopFlag; }
    void clearCancel() { cancelFlag = false; }
    void clearStop() { stopFlag = false; }

private slots:
    void showReports();

private:
    friend class JobRunner;
    void runJobs();
    bool takeJob(Job &job);

    QThread thread;
    JobRunner *runner;
    std::mutex lock;
    std::deque<Job> jobs;
    std::deque<Job> reports;
    int outstanding = 0;
    bool showing = false;
    std::atomic<bool> cancelFlag{false};
    std::atomic<bool> stopFlag{false};
};

#endif
