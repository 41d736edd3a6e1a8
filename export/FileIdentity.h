#pragma once

#include <QByteArray>
#include <QString>
#include <ctime>
#include <sys/types.h>

// What tells one state of a file (or folder) on disk from another: device, inode, size and
// modification time to the nanosecond. A file replaced by a rename gets another inode; a file
// rewritten in place gets another size or modification time.
struct IdentiteFichier
{
    bool Existe = false;
    dev_t Peripherique = 0;
    ino_t Inode = 0;
    off_t Taille = 0;
    timespec Modification{};

    // The identity of the path now; Existe is false when it cannot be examined. The native
    // form saves encoding the path again when it is examined at every row.
    static IdentiteFichier De(const QString& chemin);
    static IdentiteFichier De(const QByteArray& cheminNatif);

    bool operator==(const IdentiteFichier& autre) const;
    bool operator!=(const IdentiteFichier& autre) const { return !(*this == autre); }

    // Whether the file was last modified before the instant given, by more than the coarse
    // clock the file system stamps modification times with. A file modified within that
    // margin could change again without its time moving, so what was read from it cannot be
    // trusted to stand for the next state with the same identity.
    bool StableAvant(const timespec& instant) const;
};

// The system's real-time clock, as the file system stamps modification times.
timespec MaintenantSysteme();
