#pragma once

#include <QString>

namespace marrowfin {

// An exclusive advisory lock (flock) on a small file next to the store, held from lock() until destruction.
//
// Why not QLockFile: a waiting QLockFile polls with sleeps that start at 100 ms and double, so two processes that
// append to a list in a loop starve each other; and a killed holder leaves a file behind that must be judged stale.
// A kernel lock blocks until it is free, wakes the waiter at once, and dies with its holder. Each FileLock opens its
// own descriptor, so two threads of one process exclude each other too. The lock file itself is never removed:
// removing it would let a later locker lock a different inode than a current waiter.
class FileLock final
{
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Blocks until the lock is held. False when the lock file cannot be opened (the reason is in errorString()).
    [[nodiscard]] bool lock(const QString& path);
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

} // namespace marrowfin
