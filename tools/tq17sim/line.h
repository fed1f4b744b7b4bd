#pragma once

#include <QByteArray>
#include <atomic>
#include <chrono>

class PortWatch;

// The simulator's end of the serial line: buffered input, optionally paced output, and waits
// that end at once when the simulator is asked to stop. Used by the server thread only, apart
// from requestStop().
class Line
{
public:
    // fd: the non-blocking master side; neither it nor the watch is owned.
    Line(int fd, PortWatch &watch);
    ~Line();
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    void requestStop();
    bool stopping() const { return stop_; }

    // Bytes received and not yet consumed.
    const QByteArray &input() const { return input_; }
    void drop(int count) { input_.remove(0, count); }
    // Reads whatever arrives within the time-out; false when nothing did.
    bool fill(int timeoutMs);
    // First unconsumed byte, waiting for one if need be; -1 on time-out.
    int peek(int timeoutMs);

    // baud 0 writes at once; otherwise no faster than the wire would carry 10-bit characters.
    // What is written while nobody has the port open is lost.
    bool write(const QByteArray &bytes, int baud);
    // False when the simulator is stopping.
    bool pause(int ms);

private:
    using Clock = std::chrono::steady_clock;

    bool writeAll(const char *data, int size);
    bool waitUntil(short events, Clock::time_point deadline);

    const int fd_;
    PortWatch &watch_;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    QByteArray input_;
};
