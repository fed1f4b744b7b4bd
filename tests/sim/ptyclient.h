#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The tool's end of the simulator's line, driven with plain POSIX I/O.
class PtyClient
{
public:
    explicit PtyClient(const QString &path);
    ~PtyClient();
    PtyClient(const PtyClient &) = delete;
    PtyClient &operator=(const PtyClient &) = delete;

    bool isOpen() const { return fd_ >= 0; }
    void send(const QByteArray &bytes);

    struct Piece {
        qint64 atMs; // since the receive began
        QByteArray bytes;
    };
    // Everything that arrives until the line stays silent for silenceMs; nothing when no byte
    // comes within firstMs.
    QVector<Piece> receivePieces(int firstMs, int silenceMs);
    QByteArray receive(int firstMs = 500, int silenceMs = 20);
    // Stops as soon as count bytes are in.
    QByteArray receiveCount(int count, int timeoutMs = 2000);

private:
    int fd_ = -1;
};
