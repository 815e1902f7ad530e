#include "tags/files/RegularFile.h"

#include "tags/files/PseudoFileSystem.h"

#include <QCoreApplication>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<long> g_fileSystemChecks{0};
std::atomic<long> g_regularFileOpens{0};

bool askIfPseudo(int fd, const struct stat &st)
{
    g_fileSystemChecks.fetch_add(1, std::memory_order_relaxed);
    return onPseudoFileSystem(fd, st);
}

}  // namespace

FolderFileSystem::FolderFileSystem(int folderFd)
{
    struct stat st;
    if (folderFd < 0 || ::fstat(folderFd, &st) != 0)
        return;
    m_known = true;
    m_device = st.st_dev;
    m_pseudo = askIfPseudo(folderFd, st);
}

bool FolderFileSystem::isPseudo(int fd, const struct stat &st) const
{
    return m_known && st.st_dev == m_device ? m_pseudo : askIfPseudo(fd, st);
}

long fileSystemChecks()
{
    return g_fileSystemChecks.load(std::memory_order_relaxed);
}

long regularFileOpens()
{
    return g_regularFileOpens.load(std::memory_order_relaxed);
}

int openNonBlocking(int folderFd, const char *name, int flags, mode_t mode)
{
    int fd;
    do {
        fd = ::openat(folderFd, name, flags | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

FileStatus openRegularFile(int folderFd, const char *name, int access, bool lookFirst, int &fd, struct stat &st,
                           const FolderFileSystem *folderFs)
{
    fd = -1;
    const bool noFollow = (access & O_NOFOLLOW) != 0;
    if (lookFirst) {
        if (::fstatat(folderFd, name, &st, noFollow ? AT_SYMLINK_NOFOLLOW : 0) != 0)
            return FileStatus::fromLastError();
        if (S_ISLNK(st.st_mode))
            return FileStatus::fromErrno(ELOOP);
        if (!S_ISREG(st.st_mode))
            return notRegularFileStatus(st.st_mode);
    }
    const int opened = openNonBlocking(folderFd, name, access);
    g_regularFileOpens.fetch_add(1, std::memory_order_relaxed);
    if (opened < 0)
        return FileStatus::fromLastError();
    FileStatus status = FileStatus::success();
    if (::fstat(opened, &st) != 0)
        status = FileStatus::fromLastError();
    else if (!S_ISREG(st.st_mode))
        status = notRegularFileStatus(st.st_mode);
    else if (folderFs ? folderFs->isPseudo(opened, st) : askIfPseudo(opened, st))
        status = pseudoFileSystemRefusal();
    if (!status) {
        ::close(opened);
        return status;
    }
    fd = opened;
    return status;
}

FileStatus notRegularFileStatus(mode_t mode)
{
    if (S_ISDIR(mode))
        return FileStatus::fromErrno(EISDIR);
    return FileStatus::failure(EINVAL, QCoreApplication::translate("TagFile", "Not a regular file"));
}
