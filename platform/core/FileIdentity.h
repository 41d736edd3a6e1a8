#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QFile;

// What tells one state of a file (or folder) on disk from another: device, inode (file index
// on Windows), size and modification time to the nanosecond. A file replaced by a rename gets
// another inode; a file rewritten in place gets another size or modification time.
struct FileIdentity
{
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0; // since the epoch

    // The identity of the path now; exists is false when it cannot be examined. The native
    // form saves encoding the path again when it is examined at every row.
    static FileIdentity Of(const QString& path);
    static FileIdentity Of(const QByteArray& nativePath);
    // The identity of an open file: the file read, whatever its path names by now.
    static FileIdentity Of(const QFile& openFile);

    bool operator==(const FileIdentity& other) const;
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }

    // Whether the file was last modified before the instant given (SystemNowNs()), by more
    // than the coarse clock the file system stamps modification times with. A file modified
    // within that margin could change again without its time moving, so what was read from
    // it cannot be trusted to stand for the next state with the same identity.
    bool StableBefore(qint64 instantNs) const;
};

// The system's real-time clock as the file system stamps modification times, in nanoseconds
// since the epoch.
qint64 SystemNowNs();
