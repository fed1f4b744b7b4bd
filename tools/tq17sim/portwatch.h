#pragma once

#include <QString>
#include <QtGlobal>

// Follows the opens and closes of the port by its users. A real line loses what is sent
// while nobody listens; a pseudo-terminal would keep it for the next user, so it is
// dropped here. Without inotify the port counts as always listened to.
class PortWatch
{
public:
    // slaveFd: the simulator's own descriptor of the port, used to drop unread bytes.
    PortWatch(const QString &path, int slaveFd);
    ~PortWatch();
    PortWatch(const PortWatch &) = delete;
    PortWatch &operator=(const PortWatch &) = delete;

    // Readable when opens or closes are waiting to be taken in by update(); -1 if unwatched.
    int fd() const { return fd_; }
    void update();
    // Bytes from the port prove a user even if its open went unseen.
    void sawTraffic() { users_ = qMax(users_, 1); }
    bool listening() const { return fd_ < 0 || users_ > 0; }

private:
    const int slaveFd_;
    int fd_ = -1;
    int users_ = 0;
};
