#include "tags/files/FileLock.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

struct Held {
    int fd = -1;  // our own descriptor of the file, which holds the flock
    int count = 0;
    std::thread::id owner;
};

using Key = std::pair<quint64, quint64>;

std::mutex registryMutex;
std::map<Key, Held> &registry()
{
    static std::map<Key, Held> held;
    return held;
}

std::atomic<int> waitLimit{30000};

// 0 when the lock is ours, else the errno of the last try (EWOULDBLOCK: held elsewhere).
int tryFlock(int fd)
{
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

}  // namespace

FileLock::FileLock(FileLock &&other) noexcept
    : m_device(other.m_device), m_inode(other.m_inode), m_held(std::exchange(other.m_held, false))
{
}

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        release();
        m_device = other.m_device;
        m_inode = other.m_inode;
        m_held = std::exchange(other.m_held, false);
    }
    return *this;
}

int FileLock::waitLimitMs()
{
    return waitLimit.load();
}

void FileLock::setWaitLimitMs(int ms)
{
    waitLimit.store(ms);
}

FileStatus FileLock::busyStatus()
{
    return FileStatus::failure(EBUSY, QCoreApplication::translate("FileLock",
                                                                  "Another Velmora process is saving this file and "
                                                                  "did not let go of it in time."));
}

FileStatus FileLock::take(int fd, const struct stat &st, Wait wait)
{
    release();
    const Key key{quint64(st.st_dev), quint64(st.st_ino)};
    {
        const std::lock_guard<std::mutex> guard(registryMutex);
        const auto found = registry().find(key);
        if (found != registry().end() && found->second.owner == std::this_thread::get_id()) {
            ++found->second.count;
            std::tie(m_device, m_inode) = key;
            m_held = true;
            return FileStatus::success();
        }
    }
    // A descriptor of our own: the caller may close or reopen its own while the lock is held.
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return FileStatus::fromLastError();
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(wait == Wait::Yes ? waitLimitMs() : 0);
    std::chrono::microseconds pause(200);
    int code = tryFlock(own);
    while (code == EWOULDBLOCK && Clock::now() < until) {
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
        code = tryFlock(own);
    }
    if (code == EWOULDBLOCK) {
        ::close(own);
        return busyStatus();
    }
    // A file system that cannot lock this file (no locks at all, or an NFS mount that emulates
    // flock with byte-range locks, which a file open for reading cannot take) holds it unlocked.
    if (code != 0 && code != ENOLCK && code != EOPNOTSUPP && code != EBADF && code != EINVAL) {
        ::close(own);
        return FileStatus::fromErrno(code);
    }
    {
        const std::lock_guard<std::mutex> guard(registryMutex);
        registry()[key] = Held{own, 1, std::this_thread::get_id()};
    }
    std::tie(m_device, m_inode) = key;
    m_held = true;
    return FileStatus::success();
}

void FileLock::release()
{
    if (!std::exchange(m_held, false))
        return;
    int closing = -1;
    {
        const std::lock_guard<std::mutex> guard(registryMutex);
        const auto found = registry().find({m_device, m_inode});
        if (found != registry().end() && --found->second.count == 0) {
            closing = found->second.fd;
            registry().erase(found);
        }
    }
    if (closing >= 0)
        ::close(closing);  // the flock goes with the last descriptor of its open file description
}
