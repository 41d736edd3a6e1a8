#include "AtomicFile.h"

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

bool WriteFileAtomically(const QString& path, QByteArrayView bytes, QString* error)
{
    QSaveFile file(path);
    const auto failed = [&](const QString& reason) {
        if (error)
            *error = reason;
        file.cancelWriting();
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
