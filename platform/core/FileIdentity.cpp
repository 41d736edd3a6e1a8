#include "FileIdentity.h"

#include <QFile>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <time.h>
#endif

namespace {
// Modification times come from a clock that advances in ticks of a few milliseconds; one
// second is far beyond any tick and still costs nothing for files that are not being edited.
constexpr qint64 StabilityMarginNs = 1'000'000'000LL;

#ifdef _WIN32
// FILETIME counts 100 ns from 1601-01-01; the epoch is 11644473600 s later.
qint64 FileTimeToEpochNs(const FILETIME& time)
{
    const qint64 ticks = (qint64(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return (ticks - 116444736000000000LL) * 100;
}

FileIdentity OfHandle(HANDLE file)
{
    FileIdentity identity;
    BY_HANDLE_FILE_INFORMATION info;
    if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &info))
        return identity;
    identity.exists = true;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity.modifiedNs = FileTimeToEpochNs(info.ftLastWriteTime);
    return identity;
}
#else
FileIdentity OfStatus(const struct stat& status)
{
    FileIdentity identity;
    identity.exists = true;
    identity.device = quint64(status.st_dev);
    identity.inode = quint64(status.st_ino);
    identity.size = qint64(status.st_size);
    identity.modifiedNs = qint64(status.st_mtim.tv_sec) * 1'000'000'000LL + status.st_mtim.tv_nsec;
    return identity;
}
#endif
} // namespace

FileIdentity FileIdentity::Of(const QString& path)
{
    return Of(QFile::encodeName(path));
}

FileIdentity FileIdentity::Of(const QByteArray& nativePath)
{
#ifdef _WIN32
    const QString path = QFile::decodeName(nativePath);
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const FileIdentity identity = OfHandle(file);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return identity;
#else
    struct stat status;
    if (::stat(nativePath.constData(), &status) != 0)
        return FileIdentity();
    return OfStatus(status);
#endif
}

FileIdentity FileIdentity::Of(const QFile& openFile)
{
    const int descriptor = openFile.handle();
    if (descriptor < 0)
        return FileIdentity();
#ifdef _WIN32
    return OfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)));
#else
    struct stat status;
    if (::fstat(descriptor, &status) != 0)
        return FileIdentity();
    return OfStatus(status);
#endif
}

bool FileIdentity::operator==(const FileIdentity& other) const
{
    if (exists != other.exists)
        return false;
    if (!exists)
        return true;
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedNs == other.modifiedNs;
}

bool FileIdentity::StableBefore(qint64 instantNs) const
{
    if (!exists)
        return true;
    return modifiedNs + StabilityMarginNs < instantNs;
}

qint64 SystemNowNs()
{
#ifdef _WIN32
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return FileTimeToEpochNs(now);
#else
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
#endif
}
