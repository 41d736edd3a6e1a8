#include "SmallFileSystem.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {
const char* const FillerName = ".filler";
}

SmallFileSystem::SmallFileSystem(const QString& folder, qint64 sizeBytes) : folder_(folder)
{
    const QByteArray target = QFile::encodeName(QDir(folder).absolutePath());
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0755";
    if (::mount("tmpfs", target.constData(), "tmpfs", 0, options.constData()) != 0) {
        reason_ = QStringLiteral("cannot mount a small tmpfs on %1 (%2): a disk cannot be "
                                 "filled on purpose here")
                      .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    mounted_ = true;
}

SmallFileSystem::~SmallFileSystem()
{
    if (!mounted_)
        return;
    QFile::remove(folder_ + QLatin1Char('/') + QLatin1String(FillerName));
    const QByteArray target = QFile::encodeName(QDir(folder_).absolutePath());
    if (::umount2(target.constData(), 0) != 0)
        ::umount2(target.constData(), MNT_DETACH);
}

bool SmallFileSystem::Fill()
{
    const QByteArray path =
        QFile::encodeName(folder_ + QLatin1Char('/') + QLatin1String(FillerName));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'f');
    // Whole blocks first, then single bytes into the last partial block.
    while (::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    while (::write(fd, "f", 1) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

qint64 SmallFileSystem::FreeBytes() const
{
    struct statvfs info
    {
    };
    if (::statvfs(QFile::encodeName(folder_).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}
