#include "tools/tq17sim/pseudoterminal.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool makeRaw(int fd)
{
    termios settings;
    if (tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool addFlags(int fd, int getCommand, int setCommand, int flags)
{
    const int current = fcntl(fd, getCommand);
    return current >= 0 && fcntl(fd, setCommand, current | flags) == 0;
}

} // namespace

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open(const QString &linkPath)
{
    close();
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0)
        return fail(QStringLiteral("openpty"));
    // Both sides raw: no echo of replies, no translation of binary frames.
    if (!makeRaw(slave_) || !makeRaw(master_))
        return fail(QStringLiteral("raw mode"));
    if (!addFlags(master_, F_GETFL, F_SETFL, O_NONBLOCK) ||
        !addFlags(master_, F_GETFD, F_SETFD, FD_CLOEXEC) ||
        !addFlags(slave_, F_GETFD, F_SETFD, FD_CLOEXEC))
        return fail(QStringLiteral("fcntl"));
    char name[128];
    if ((errno = ttyname_r(slave_, name, sizeof name)) != 0)
        return fail(QStringLiteral("ttyname"));
    slavePath_ = QString::fromLocal8Bit(name);
    watch_ = std::make_unique<PortWatch>(slavePath_, slave_);
    if (linkPath.isEmpty())
        return true;
    // Replace a link left behind by an earlier run, but never a real file.
    if (QFileInfo(linkPath).isSymLink())
        QFile::remove(linkPath);
    if (symlink(name, QFile::encodeName(linkPath).constData()) != 0)
        return fail(QStringLiteral("symlink %1").arg(linkPath));
    linkPath_ = linkPath;
    return true;
}

void PseudoTerminal::close()
{
    if (!linkPath_.isEmpty() && QFileInfo(linkPath_).symLinkTarget() == slavePath_)
        QFile::remove(linkPath_);
    linkPath_.clear();
    watch_.reset();
    for (int *fd : {&master_, &slave_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

bool PseudoTerminal::fail(const QString &what)
{
    error_ = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
    close();
    return false;
}
