#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <termios.h>
#include <thread>

// The far end of a pseudo-terminal, playing scripted replies with chosen timing.
class PtyPeer
{
public:
    struct Piece {
        int delayMs;
        QByteArray bytes;
    };
    // Wait for requestBytes bytes from the line, then send the pieces in order.
    struct Step {
        int requestBytes;
        QVector<Piece> reply;
    };

    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    bool isReady() const { return master >= 0; }
    QString portPath() const { return path; }
    speed_t lineSpeed() const;

    void play(const QVector<Step> &steps);
    // After requestBytes have arrived, send chunk every intervalMs until stop().
    void stream(int requestBytes, const QByteArray &chunk, int intervalMs);
    void stop();
    // The longest time between two chunks of the last stream: a line that saw silence
    // may have seen the peer's own pause, when the machine was too busy to keep time.
    int longestStreamGapMs() const { return longestGapMs; }
    // Everything the line has sent to the peer so far.
    QByteArray heard() const;

private:
    bool listen(int count);
    bool sendAll(const QByteArray &bytes);
    bool pause(int ms);
    void runSteps(QVector<Step> steps);
    void runStream(int requestBytes, QByteArray chunk, int intervalMs);

    int master = -1;
    int slave = -1;
    QString path;
    std::thread worker;
    std::atomic<bool> stopping{false};
    std::atomic<int> longestGapMs{0};
    mutable std::mutex lock;
    std::condition_variable wake;
    QByteArray received;
};

Q_DECLARE_METATYPE(PtyPeer::Piece)
using Pieces = QVector<PtyPeer::Piece>;
