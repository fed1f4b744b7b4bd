#include "ptypeer.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

constexpr int REQUEST_TIMEOUT_MS = 5000;
constexpr int POLL_SLICE_MS = 10;

} // namespace

PtyPeer::PtyPeer()
{
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
}

PtyPeer::~PtyPeer()
{
    stop();
    if (master >= 0) {
        close(master);
        close(slave);
    }
}

speed_t PtyPeer::lineSpeed() const
{
    termios now{};
    tcgetattr(slave, &now);
    return cfgetospeed(&now);
}

void PtyPeer::play(const QVector<Step> &steps)
{
    stop();
    stopping = false;
    worker = std::thread(&PtyPeer::runSteps, this, steps);
}

void PtyPeer::stream(int requestBytes, const QByteArray &chunk, int intervalMs)
{
    stop();
    stopping = false;
    worker = std::thread(&PtyPeer::runStream, this, requestBytes, chunk, intervalMs);
}

void PtyPeer::stop()
{
    stopping = true;
    wake.notify_all();
    if (worker.joinable())
        worker.join();
}

QByteArray PtyPeer::heard() const
{
    std::lock_guard<std::mutex> guard(lock);
    return received;
}

void PtyPeer::runSteps(QVector<Step> steps)
{
    for (const Step &step : steps) {
        if (!listen(step.requestBytes))
            return;
        for (const Piece &piece : step.reply) {
            if (!pause(piece.delayMs) || !sendAll(piece.bytes))
                return;
        }
    }
}

void PtyPeer::runStream(int requestBytes, QByteArray chunk, int intervalMs)
{
    longestGapMs = 0;
    if (!listen(requestBytes))
        return;
    auto last = std::chrono::steady_clock::now();
    while (sendAll(chunk)) {
        const auto now = std::chrono::steady_clock::now();
        const int gap = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count());
        longestGapMs = std::max(longestGapMs.load(), gap);
        last = now;
        if (!pause(intervalMs))
            break;
    }
}

bool PtyPeer::listen(int count)
{
    int got = 0;
    int waited = 0;
    while (got < count && waited < REQUEST_TIMEOUT_MS && !stopping) {
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, POLL_SLICE_MS) <= 0) {
            waited += POLL_SLICE_MS;
            continue;
        }
        char buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0)
            continue;
        std::lock_guard<std::mutex> guard(lock);
        received.append(buf, static_cast<int>(n));
        got += static_cast<int>(n);
    }
    return got >= count && !stopping;
}

bool PtyPeer::sendAll(const QByteArray &bytes)
{
    int sent = 0;
    while (sent < bytes.size() && !stopping) {
        pollfd fd{master, POLLOUT, 0};
        if (poll(&fd, 1, POLL_SLICE_MS) <= 0)
            continue;
        const ssize_t n =
            ::write(master, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent));
        if (n > 0)
            sent += static_cast<int>(n);
    }
    return !stopping;
}

bool PtyPeer::pause(int ms)
{
    std::unique_lock<std::mutex> guard(lock);
    return !wake.wait_for(guard, std::chrono::milliseconds(ms), [this] { return stopping.load(); });
}
