#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>
#include <QVector>
#include <mutex>

// What became of one exchange on the line.
enum class TrafficResult {
    Ok,
    NoReply,
    Crc,        // the reply's CRC does not match its bytes
    WrongReply, // a whole frame, but not an answer to the request
    Exception,  // the controller refused the request with an exception code
    Refused,    // the port would not send the request
    Transfer,   // an XMODEM transfer, told in its note
};
constexpr int TRAFFIC_RESULT_COUNT = int(TrafficResult::Transfer) + 1;

struct TrafficEntry {
    QTime time;
    QByteArray request;
    QByteArray reply;
    TrafficResult result = TrafficResult::Ok;
    QString note; // an XMODEM transfer: the archive, its blocks, retries and how it ended

    // The exception code of an exception reply, or 0.
    int exceptionCode() const;
    // "03", "04", "10": the request's function; empty for a transfer.
    QString functionText() const;
    // The first register and the register count of a read or a write; -1 when the request has none.
    int firstRegister() const;
    int registerCount() const;
    QString resultText() const;
    // One line of the saved monitor: time, request, reply, function, register, count, result.
    QString line() const;

    static QString resultText(TrafficResult result);
    static QString hex(const QByteArray &bytes);
};

// The exchanges of the line, handed from the thread that makes them to the one that shows them
// in batches: recording takes a lock and a copy, never a wait for the window.
class traffic_log
{
public:
    void record(TrafficEntry entry);
    // What was recorded since the last take, oldest first.
    QVector<TrafficEntry> take();

private:
    std::mutex lock;
    QVector<TrafficEntry> pending;
};
