#include "AtomicFile.h"

#include <QFile>
#include <QSaveFile>

bool WriteAll(QIODevice& device, QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = device.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

namespace {

// Creates the missing target empty, owner only, so that QSaveFile takes it as an existing
// file: its temporary file is then created owner only and given the target's permissions
// before a byte is written. Setting the permissions after QSaveFile created its temporary
// file would leave a moment where another user could open it and read what comes next.
// True when the file was created here.
bool CreateOwnerOnly(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

bool WriteFileAtomically(const QString& path, QByteArrayView bytes, QString* error,
                         NewFileAccess access)
{
    // When the file cannot be created here (a missing folder, a file that appeared meanwhile),
    // QSaveFile meets the same situation and says why.
    const bool created =
        access == NewFileAccess::OwnerOnly && !QFile::exists(path) && CreateOwnerOnly(path);
    QSaveFile file(path);
    const auto failed = [&](const QString& reason) {
        if (error)
            *error = reason;
        file.cancelWriting();
        // The empty file created above goes: a failed first write leaves nothing behind.
        if (created)
            QFile::remove(path);
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(file.errorString());
    if (!WriteAll(file, bytes))
        return failed(file.errorString());
    if (!file.commit())
        return failed(file.errorString());
    return true;
}
