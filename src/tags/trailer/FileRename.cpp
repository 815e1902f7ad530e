#include "tags/trailer/FileRename.h"

#include "tags/text/TestStop.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when the two names differ only in the letter case of their last component.
bool differInCaseOnly(const QByteArray &from, const QByteArray &to)
{
    return from != to && QString::fromUtf8(from).compare(QString::fromUtf8(to), Qt::CaseInsensitive) == 0;
}

bool flagsUnsupported(int code)
{
    return code == EINVAL || code == ENOSYS || code == ENOTSUP || code == EOPNOTSUPP;
}

bool linksUnsupported(int code)
{
    return code == EPERM || code == ENOTSUP || code == EOPNOTSUPP || code == ENOSYS;
}

int renameNoReplaceRaw(const char *from, const char *to)
{
    int rc;
    do {
        rc = ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

// For file systems without RENAME_NOREPLACE: a new hard link fails if the name exists.
int linkThenUnlinkRaw(const char *from, const char *to)
{
    if (::link(from, to) != 0)
        return errno;
    TestStop::at("rename-linked");
    if (::unlink(from) != 0) {
        const int code = errno;
        ::unlink(to);  // back to one name, the old one
        return code;
    }
    return 0;
}

// For file systems without hard links either: create the new name exclusively, so nobody else
// holds it, then rename over that empty placeholder of ours.
int reserveThenRenameRaw(const char *from, const char *to)
{
    const int fd = ::open(to, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    ::close(fd);
    if (::rename(from, to) != 0) {
        const int code = errno;
        ::unlink(to);
        return code;
    }
    return 0;
}

}  // namespace

FileStatus renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (from.isEmpty() || to.isEmpty())
        return FileStatus::fromErrno(ENOENT);
    if (from.contains('\0') || to.contains('\0'))
        return FileStatus::fromErrno(EINVAL);

    struct stat source;
    if (::lstat(from.constData(), &source) != 0)
        return FileStatus::fromLastError();
    if (from == to)
        return FileStatus::success();

    // A test stopping between the link and the unlink takes the way without RENAME_NOREPLACE.
    int code = TestStop::armed("rename-linked") ? EINVAL : renameNoReplaceRaw(from.constData(), to.constData());
    if (flagsUnsupported(code)) {
        code = linkThenUnlinkRaw(from.constData(), to.constData());
        if (linksUnsupported(code))
            code = reserveThenRenameRaw(from.constData(), to.constData());
    }
    if (code == EEXIST && differInCaseOnly(from, to)) {
        // A file system that ignores letter case finds the file itself under the new name:
        // changing the case of its own name replaces nothing.
        struct stat target;
        // A second hard link of the file under the other name is a file of that name, not the
        // file itself: renaming one link onto another would silently do nothing.
        if (::lstat(to.constData(), &target) == 0 && sameFile(source, target) && source.st_nlink == 1) {
            if (::rename(from.constData(), to.constData()) == 0)
                return FileStatus::success();
            return FileStatus::fromLastError();
        }
    }
    return code == 0 ? FileStatus::success() : FileStatus::fromErrno(code);
}

namespace RenameFallback {

FileStatus linkThenUnlink(const QByteArray &from, const QByteArray &to)
{
    const int code = linkThenUnlinkRaw(from.constData(), to.constData());
    return code == 0 ? FileStatus::success() : FileStatus::fromErrno(code);
}

FileStatus reserveThenRename(const QByteArray &from, const QByteArray &to)
{
    const int code = reserveThenRenameRaw(from.constData(), to.constData());
    return code == 0 ? FileStatus::success() : FileStatus::fromErrno(code);
}

}  // namespace RenameFallback
