#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A folder that lives as long as the fuzzing process; each input is written into it.
inline const QString& FuzzFolder()
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    static const QString path = dir.path();
    return path;
}

// Writes bytes to a file of the fuzz folder (replacing what was there) and returns its path.
inline QString WriteFuzzFile(const QString& name, const char* data, size_t size)
{
    const QString path = FuzzFolder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    if (size > 0 && file.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size))
        std::abort();
    return path;
}
