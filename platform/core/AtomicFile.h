#pragma once

#include <QByteArrayView>
#include <QString>

class QIODevice;

// Who may read a file that WriteFileAtomically creates. A file that exists already keeps its
// own permissions whatever is asked: a rewrite never widens (nor narrows) them.
enum class NewFileAccess
{
    Default,   // the system's default for new files (the user's umask)
    OwnerOnly, // read and write for the owner only (0600): files that hold passwords
};

// Writes a whole file at once through QSaveFile: a temporary file beside the target, renamed
// over it only when every byte was written. On failure the target is left as it was and
// error (when given) receives the system's reason.
//
// Use it (or the same care) for every file the program writes: a buffered QSaveFile hides a
// short write (a full disk, a file size limit) and commits the truncated file as a success,
// so the file is opened unbuffered and every write's count is checked.
bool WriteFileAtomically(const QString& path, QByteArrayView bytes, QString* error = nullptr,
                         NewFileAccess access = NewFileAccess::Default);

// Writes every byte to an opened device, going on after partial writes; false on the first
// write that fails or writes nothing. Open the device unbuffered so that a short write is
// seen here.
bool WriteAll(QIODevice& device, QByteArrayView bytes);
