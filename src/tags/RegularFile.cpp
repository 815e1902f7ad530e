#include "tags/RegularFile.h"

#include "tags/RawTrailer.h"
#include "tags/SaveChecks.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

FileStatus openRegularFile(int folderFd, const char *name, int access, bool lookFirst, int &fd, struct stat &st)
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
    // O_NONBLOCK: should the name have become a FIFO since it was looked at, the open still returns.
    int opened;
    do {
        opened = ::openat(folderFd, name, access | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0)
        return FileStatus::fromLastError();
    FileStatus status = FileStatus::success();
    if (::fstat(opened, &st) != 0)
        status = FileStatus::fromLastError();
    else if (!S_ISREG(st.st_mode))
        status = notRegularFileStatus(st.st_mode);
    else if (SaveChecks::onPseudoFileSystem(opened, st))
        status = SaveChecks::pseudoFileSystemRefusal();
    if (!status) {
        ::close(opened);
        return status;
    }
    fd = opened;
    return status;
}
