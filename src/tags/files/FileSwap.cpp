#include "tags/files/FileSwap.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool isFile(int dirFd, const char *name, dev_t device, ino_t inode)
{
    struct stat st;
    return ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) && st.st_dev == device
           && st.st_ino == inode;
}

}  // namespace

int swapInPlaceOf(int dirFd, const char *fresh, const char *target, dev_t device, ino_t inode)
{
    if (::syscall(SYS_renameat2, dirFd, fresh, dirFd, target, RENAME_EXCHANGE) == 0) {
        if (isFile(dirFd, fresh, device, inode)) {
            ::unlinkat(dirFd, fresh, 0);  // replaced: should this fail, the old file is left under that name
            return 0;
        }
        // Another file had taken the name: it gets it back.
        ::syscall(SYS_renameat2, dirFd, fresh, dirFd, target, RENAME_EXCHANGE);
        return ESTALE;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    if (!isFile(dirFd, target, device, inode))
        return ESTALE;
    return ::renameat(dirFd, fresh, dirFd, target) == 0 ? 0 : errno;
}
