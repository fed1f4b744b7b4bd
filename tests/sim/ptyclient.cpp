#include "ptyclient.h"

#include <QElapsedTimer>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyClient::PtyClient(const QString &path)
{
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings;
    if (fd_ >= 0 && tcgetattr(fd_, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd_, TCSANOW, &settings);
    }
}

PtyClient::~PtyClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void PtyClient::send(const QByteArray &bytes)
{
    if (::write(fd_, bytes.constData(), size_t(bytes.size())) != bytes.size())
        qWarning("short write to the simulator");
}

QVector<PtyClient::Piece> PtyClient::receivePieces(int firstMs, int silenceMs)
{
    QVector<Piece> pieces;
    QElapsedTimer clock;
    clock.start();
    pollfd readable = {fd_, POLLIN, 0};
    while (poll(&readable, 1, pieces.isEmpty() ? firstMs : silenceMs) > 0) {
        char buffer[4096];
        const ssize_t count = ::read(fd_, buffer, sizeof buffer);
        if (count <= 0)
            break;
        pieces.append({clock.elapsed(), QByteArray(buffer, int(count))});
    }
    return pieces;
}

QByteArray PtyClient::receive(int firstMs, int silenceMs)
{
    QByteArray bytes;
    for (const Piece &piece : receivePieces(firstMs, silenceMs))
        bytes += piece.bytes;
    return bytes;
}

QByteArray PtyClient::receiveCount(int count, int timeoutMs)
{
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    pollfd readable = {fd_, POLLIN, 0};
    while (bytes.size() < count && !clock.hasExpired(timeoutMs) &&
           poll(&readable, 1, int(timeoutMs - clock.elapsed())) > 0) {
        char buffer[4096];
        const ssize_t got =
            ::read(fd_, buffer, size_t(qMin<int>(count - bytes.size(), sizeof buffer)));
        if (got <= 0)
            break;
        bytes.append(buffer, int(got));
    }
    return bytes;
}
