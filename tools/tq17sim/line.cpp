#include "tools/tq17sim/line.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// A reader that has closed the port holds back our output; past this we drop it.
constexpr int kStallLimitMs = 2000;
constexpr int kStallStepMs = 100;

} // namespace

Line::Line(int fd) : fd_(fd) {
    // Without the wake-up pipe, stop requests are still seen at the next time-out.
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
        wake_[0] = wake_[1] = -1;
}

Line::~Line() {
    for (const int fd : wake_) {
        if (fd >= 0)
            ::close(fd);
    }
}

void Line::requestStop() {
    stop_ = true;
    if (wake_[1] >= 0 && ::write(wake_[1], "x", 1) < 0) {
        // The pipe is full: a wake-up is pending anyway.
    }
}

bool Line::fill(int timeoutMs) {
    if (!wait(POLLIN, timeoutMs))
        return false;
    char buffer[4096];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count <= 0)
        return false;
    input_.append(buffer, int(count));
    return true;
}

int Line::peek(int timeoutMs) {
    if (input_.isEmpty() && !fill(timeoutMs))
        return -1;
    return quint8(input_[0]);
}

bool Line::write(const QByteArray &bytes, int baud) {
    if (baud <= 0)
        return writeAll(bytes.constData(), bytes.size());
    // Chunks of about 5 ms of wire time, each released when the previous one would have left.
    const int chunk = std::max(1, baud / 2000);
    const auto start = std::chrono::steady_clock::now();
    for (int sent = 0; sent < bytes.size(); sent += chunk) {
        const int size = std::min(chunk, bytes.size() - sent);
        if (!writeAll(bytes.constData() + sent, size))
            return false;
        const auto wireTime = std::chrono::microseconds(qint64(sent + size) * 10000000 / baud);
        if (!pauseUntil(start + wireTime))
            return false;
    }
    return true;
}

bool Line::pause(int ms) {
    return pauseUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
}

bool Line::writeAll(const char *data, int size) {
    int stalledMs = 0;
    while (size > 0) {
        const ssize_t count = ::write(fd_, data, size_t(size));
        if (count > 0) {
            data += count;
            size -= int(count);
            stalledMs = 0;
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (stalledMs >= kStallLimitMs || (!wait(POLLOUT, kStallStepMs) && stopping()))
            return false;
        stalledMs += kStallStepMs;
    }
    return true;
}

bool Line::pauseUntil(std::chrono::steady_clock::time_point when) {
    using namespace std::chrono;
    for (auto left = when - steady_clock::now(); left > left.zero() && !stopping();
         left = when - steady_clock::now()) {
        pollfd wake = {wake_[0], POLLIN, 0};
        // Round up so that we never wake early and spin.
        poll(&wake, 1, int(duration_cast<milliseconds>(left + microseconds(999)).count()));
    }
    return !stopping();
}

// True when fd_ is ready for the events, false on time-out or a stop request.
bool Line::wait(short events, int timeoutMs) {
    pollfd fds[2] = {{fd_, events, 0}, {wake_[0], POLLIN, 0}};
    return poll(fds, 2, timeoutMs) > 0 && !stopping() && (fds[0].revents & events);
}
