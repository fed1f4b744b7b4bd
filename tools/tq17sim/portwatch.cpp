#include "tools/tq17sim/portwatch.h"

#include <QFile>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

PortWatch::PortWatch(const QString &path, int slaveFd) : slaveFd_(slaveFd)
{
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0 &&
        inotify_add_watch(fd_, QFile::encodeName(path).constData(), IN_OPEN | IN_CLOSE) < 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

PortWatch::~PortWatch()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void PortWatch::update()
{
    if (fd_ < 0)
        return;
    alignas(inotify_event) char buffer[4096];
    ssize_t length;
    while ((length = ::read(fd_, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->mask & IN_OPEN)
                ++users_;
            else if ((event->mask & IN_CLOSE) && users_ > 0 && --users_ == 0)
                tcflush(slaveFd_, TCIFLUSH);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}
