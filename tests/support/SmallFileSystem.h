#pragma once

#include <QString>

// A small file system of its own (tmpfs) mounted over an existing, empty folder for the time
// of one test, to fill a disk on purpose. Mounting needs the right to mount (root, as in CI);
// where it is refused, mounted() is false and reason() says why, for GTEST_SKIP.
//
//     SmallFileSystem disk(folder, 64 * 1024);
//     if (!disk.mounted())
//         GTEST_SKIP() << qPrintable(disk.reason());
//     disk.Fill();   // takes what space is left
//
// The destructor removes the filler and unmounts; the folder is left as it was.
class SmallFileSystem
{
public:
    SmallFileSystem(const QString& folder, qint64 sizeBytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    QString reason() const { return reason_; }
    // Writes a hidden filler file until the file system is full; false when it could not.
    bool Fill();
    // Bytes still free for files.
    qint64 FreeBytes() const;

private:
    QString folder_;
    bool mounted_ = false;
    QString reason_;
};
