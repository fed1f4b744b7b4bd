#include "app/linkworker.h"

#include <QCoreApplication>
#include <chrono>
#include <condition_variable>

// Lives in the worker thread; its queued slot drains the job queue there.
class JobRunner : public QObject
{
    Q_OBJECT
public:
    explicit JobRunner(LinkWorker *worker) : worker(worker) {}

public slots:
    void runJobs() { worker->runJobs(); }

private:
    LinkWorker *const worker;
};

LinkWorker::LinkWorker(QObject *parent) : QObject(parent), runner(new JobRunner(this))
{
    thread.setObjectName(QStringLiteral("link"));
    runner->moveToThread(&thread);
    device.mbLine.moveToThread(&thread);
    device.xmLine.moveToThread(&thread);
    device.mbLine.setStopFlag(&stopFlag);
    // The line failed outside any job: the report belongs to the connection of the last job.
    connect(&device.mbLine, &modbus_line::portFailed, runner, [this] {
        report([this] {
            if (reportCurrent())
                emit portFailed();
        });
    });
    thread.start();
}

LinkWorker::~LinkWorker()
{
    stop();
    QThread *home = QThread::currentThread();
    runAndWait([this, home] {
        device.close();
        device.xmLine.closePort();
        device.mbLine.moveToThread(home);
        device.xmLine.moveToThread(home);
    });
    thread.quit();
    thread.wait();
    delete runner;
    // Taking the lock once more orders the worker's last use of the queues before their end.
    std::lock_guard<std::mutex> guard(lock);
    jobs.clear();
    reports.clear();
}

void LinkWorker::post(Job job)
{
    ++outstanding;
    {
        std::lock_guard<std::mutex> guard(lock);
        jobs.emplace_back(std::move(job), connection);
    }
    QMetaObject::invokeMethod(runner, "runJobs", Qt::QueuedConnection);
}

// The wait ends on the worker's note under the queue lock, so what the job wrote is seen here.
void LinkWorker::runAndWait(Job job)
{
    bool ran = false;
    std::condition_variable ranSignal;
    post([&] {
        job();
        std::lock_guard<std::mutex> guard(lock);
        ran = true;
        ranSignal.notify_one();
    });
    std::unique_lock<std::mutex> guard(lock);
    while (!ran)
        ranSignal.wait_for(guard, std::chrono::milliseconds(10));
}

bool LinkWorker::takeJob(Job &job)
{
    std::lock_guard<std::mutex> guard(lock);
    if (jobs.empty())
        return false;
    job = std::move(jobs.front().first);
    jobConnection = jobs.front().second;
    jobs.pop_front();
    return true;
}

void LinkWorker::runJobs()
{
    Job job;
    while (takeJob(job)) {
        job();
        report([this] { --outstanding; });
    }
}

void LinkWorker::report(Job call)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        reports.emplace_back(std::move(call), jobConnection);
    }
    QMetaObject::invokeMethod(this, "showReports", Qt::QueuedConnection);
}

// A report may open a modal box, whose event loop calls this again: the outer call goes on
// with the next report once the box is closed, so the order holds.
void LinkWorker::showReports()
{
    if (showing)
        return;
    showing = true;
    for (;;) {
        Job call;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (reports.empty())
                break;
            call = std::move(reports.front().first);
            shownConnection = reports.front().second;
            reports.pop_front();
        }
        call();
    }
    showing = false;
}

#include "linkworker.moc"
