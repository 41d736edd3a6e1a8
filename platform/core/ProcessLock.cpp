#include "ProcessLock.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

ProcessLock::ProcessLock(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    // Never through a symbolic link: the lock file must not become a way to create or
    // truncate a file elsewhere. Nothing is written into it.
    do
        fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    int result;
    do
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0) {
        state_ = State::Held;
        return;
    }
    state_ = errno == EWOULDBLOCK ? State::HeldElsewhere : State::Failed;
    if (state_ == State::Failed)
        error_ = QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd_);
    fd_ = -1;
}

ProcessLock::~ProcessLock()
{
    // Closing the last descriptor releases the lock.
    if (fd_ >= 0)
        ::close(fd_);
}
