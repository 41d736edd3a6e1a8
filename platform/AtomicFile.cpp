#include "AtomicFile.h"

#include <QSaveFile>

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
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return failed(file.errorString());
        done += written;
    }
    if (!file.commit())
        return failed(file.errorString());
    return true;
}
