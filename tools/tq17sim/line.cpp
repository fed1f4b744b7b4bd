#include "tools/tq17sim/line.h"

#include "tools/tq17sim/portwatch.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// A reader that holds the port open but does not read holds back our output; past this we
// drop it.
constexpr int kStallLimitMs = 2000;
constexpr int kStallStepMs = 100;

} // namespace

Line::Line(int fd, PortWatch &watch) : fd_(fd), watch_(watch)
{
    // Without the wake-up pipe, stop requests are still seen at the next time-out.
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
        wake_[0] = wake_[1] = -1;
}

Line::~Line()
{
    for (const int fd : wake_) {
        if (fd >= 0)
            ::close(fd);
    }
}

void Line::requestStop()
{
    stop_ = true;
    if (wake_[1] >= 0 && ::write(wake_[1], "x", 1) < 0) {
        // The pipe is full: a wake-up is pending anyway.
    }
}

bool Line::fill(int timeoutMs)
{
    if (!waitUntil(POLLIN, Clock::now() + std::chrono::milliseconds(timeoutMs)))
        return false;
    char buffer[4096];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count <= 0)
        return false;
    input_.append(buffer, int(count));
    watch_.sawTraffic();
    return true;
}

int Line::peek(int timeoutMs)
{
    if (input_.isEmpty() && !fill(timeoutMs))
        return -1;
    return quint8(input_[0]);
}

bool Line::write(const QByteArray &bytes, int baud)
{
    if (baud <= 0)
        return writeAll(bytes.constData(), bytes.size());
    // Chunks of about 5 ms of wire time, each released when its last byte would have arrived.
    const int chunk = std::max(1, baud / 2000);
    const auto start = Clock::now();
    for (int sent = 0; sent < bytes.size(); sent += chunk) {
        const int size = std::min(chunk, bytes.size() - sent);
        const auto wireTime = std::chrono::microseconds(qint64(sent + size) * 10000000 / baud);
        waitUntil(0, start + wireTime);
        if (stopping() || !writeAll(bytes.constData() + sent, size))
            return false;
    }
    return true;
}

bool Line::pause(int ms)
{
    waitUntil(0, Clock::now() + std::chrono::milliseconds(ms));
    return !stopping();
}

bool Line::writeAll(const char *data, int size)
{
    int stalledMs = 0;
    while (size > 0 && watch_.listening()) {
        const ssize_t count = ::write(fd_, data, size_t(size));
        if (count > 0) {
            data += count;
            size -= int(count);
            stalledMs = 0;
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (stalledMs >= kStallLimitMs)
            return false;
        waitUntil(POLLOUT, Clock::now() + std::chrono::milliseconds(kStallStepMs));
        if (stopping())
            return false;
        stalledMs += kStallStepMs;
    }
    return true;
}

// Waits until fd_ is ready for the events (none: only waits), the deadline passes or a stop is
// requested, taking in the port's opens and closes meanwhile. True when fd_ became ready.
bool Line::waitUntil(short events, Clock::time_point deadline)
{
    using namespace std::chrono;
    while (!stopping()) {
        // To the nanosecond: paced output must not lag the wire by a rounded-up millisecond.
        const auto left = duration_cast<nanoseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        const timespec timeout = {time_t(left.count() / 1000000000),
                                  long(left.count() % 1000000000)};
        pollfd fds[3] = {
            {events != 0 ? fd_ : -1, events, 0}, {wake_[0], POLLIN, 0}, {watch_.fd(), POLLIN, 0}};
        if (ppoll(fds, 3, &timeout, nullptr) < 0 && errno != EINTR)
            return false;
        if (fds[2].revents != 0)
            watch_.update();
        if (fds[0].revents != 0)
            return (fds[0].revents & events) != 0;
    }
    return false;
}
