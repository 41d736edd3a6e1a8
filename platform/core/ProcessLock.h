#pragma once

#include <QString>

// A lock that this process holds for as long as it lives, so that two runs of the same
// installation never work on the same files at once. It is an flock(2) lock on a file: the
// kernel releases it when the process ends, however it ends (a crash, SIGKILL, a power cut
// of the session), so no stale lock ever blocks the next run. The file itself stays; only
// the lock on it matters.
class ProcessLock
{
public:
    enum class State
    {
        Held,          // this process holds the lock
        HeldElsewhere, // another process holds it
        Failed,        // the file could not be opened or locked: ErrorText() says why
    };

    // Opens (creating it, owner only, when missing) and tries to lock the file, without
    // waiting.
    explicit ProcessLock(const QString& path);
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    State state() const { return state_; }
    // The system's reason for State::Failed.
    QString ErrorText() const { return error_; }

private:
    int fd_ = -1;
    State state_ = State::Failed;
    QString error_;
};
