#pragma once

#include <QByteArrayView>
#include <QString>

class QIODevice;

// Writes a whole file at once through QSaveFile: a temporary file beside the target, renamed
// over it only when every byte was written. On failure the target is left as it was and
// error (when given) receives the system's reason.
//
// Use it (or the same care) for every file the program writes: a buffered QSaveFile hides a
// short write (a full disk, a file size limit) and commits the truncated file as a success,
// so the file is opened unbuffered and every write's count is checked.
bool WriteFileAtomically(const QString& path, QByteArrayView bytes, QString* error = nullptr);

// Writes every byte to an opened device, going on after partial writes; false on the first
// write that fails or writes nothing. Open the device unbuffered so that a short write is
// seen here.
bool WriteAll(QIODevice& device, QByteArrayView bytes);
