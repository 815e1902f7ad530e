#pragma once
// The lock a Velmora process holds on a file for the whole read, check and write of a save or an
// undo, so that two processes (the window, the command line, a job, an undo) never interleave on
// one file: the second waits and then reads what the first wrote. It is flock on the file itself,
// which belongs to the open file description: held while the lock's own descriptor is open, and
// given up by the system when the process dies. Other programs do not take it.
//
// Within one thread the lock is counted by device and inode, so a batch that holds its files can
// save or undo each through the per-file path, which takes the same lock again. Two threads of one
// process exclude each other like two processes.

#include "tags/text/FileStatus.h"

#include <QtGlobal>

#include <sys/stat.h>

class FileLock {
public:
    enum class Wait { Yes, No };

    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;

    // Takes the lock on the open file fd (whose fstat is st). With Wait::Yes a lock held elsewhere
    // is waited for, up to waitLimitMs(); then, or at once with Wait::No, the result is EBUSY with
    // a message that says another Velmora process is at the file. A file system without locks
    // (ENOLCK, EOPNOTSUPP; EBADF or EINVAL from an NFS mount's emulation for a file open for
    // reading) is taken as locked: there is nothing to wait for.
    FileStatus take(int fd, const struct stat &st, Wait wait = Wait::Yes);
    void release();
    bool held() const { return m_held; }

    static int waitLimitMs();
    // For the tests: how long take() waits before it gives up.
    static void setWaitLimitMs(int ms);

    static FileStatus busyStatus();

private:
    quint64 m_device = 0, m_inode = 0;
    bool m_held = false;
};
