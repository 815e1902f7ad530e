#include "tags/SaveChecks.h"

#include "tags/TagCore.h"
#include "tags/TextEscape.h"

#include <QCoreApplication>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/sysmacros.h>
#include <sys/vfs.h>

#ifdef __linux__
#include <linux/magic.h>
#endif

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SaveChecks", text);
}

// realpath() as bytes; empty with errno set when the path leads nowhere.
QByteArray resolved(const QByteArray &path)
{
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return QByteArray();
    QByteArray result(real);
    std::free(real);
    return result;
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool isInside(const QByteArray &target, const QByteArray &folder)
{
    if (folder == "/")
        return target.size() > 1 && target.startsWith('/');
    return target.size() > folder.size() + 1 && target.startsWith(folder) && target[folder.size()] == '/';
}

}  // namespace

namespace SaveChecks {

FileStatus resolveInsideFolder(const QByteArray &path, const QByteArray &folder, QByteArray &target)
{
    if (path.isEmpty())
        return FileStatus::fromErrno(ENOENT);
    if (path.contains('\0') || folder.contains('\0'))
        return FileStatus::fromErrno(EINVAL);
    const QByteArray realFolder = resolved(folder.isEmpty() ? parentOf(path) : folder);
    if (realFolder.isEmpty())
        return FileStatus::fromLastError();
    target = resolved(path);
    if (target.isEmpty())
        return FileStatus::fromLastError();
    if (isInside(target, realFolder))
        return FileStatus::success();
    return FileStatus::failure(
        EXDEV, tr("\"%1\" leads to \"%2\", outside the folder \"%3\": the tag is not written there.")
                   .arg(TextEscape::shown(path), TextEscape::shown(target), TextEscape::shown(realFolder)));
}

bool onPseudoFileSystem(int fd, const struct stat &st)
{
#ifdef __linux__
    if (major(st.st_dev) != 0)
        return false;
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0)
        return true;  // a file system that cannot say what it is gets no benefit of the doubt
    static const unsigned long kinds[] = {
        PROC_SUPER_MAGIC,   SYSFS_MAGIC,         DEBUGFS_MAGIC,   TRACEFS_MAGIC,
        SECURITYFS_MAGIC,   CGROUP_SUPER_MAGIC,  CGROUP2_SUPER_MAGIC, DEVPTS_SUPER_MAGIC,
        BPF_FS_MAGIC,       PSTOREFS_MAGIC,      EFIVARFS_MAGIC,  SELINUX_MAGIC,
        SMACK_MAGIC,        BINFMTFS_MAGIC,      NSFS_MAGIC,      HUGETLBFS_MAGIC,
        0x62656570 /* configfs */, 0x65735543 /* fusectl */, 0x19800202 /* mqueue */,
        0x67596969 /* rpc_pipefs */, 0x6e667364 /* nfsd */, AUTOFS_SUPER_MAGIC};
    for (unsigned long kind : kinds)
        if ((unsigned long)fs.f_type == kind)
            return true;
#else
    (void)fd;
    (void)st;
#endif
    return false;
}

FileStatus pseudoFileSystemRefusal()
{
    return FileStatus::failure(
        EPERM, tr("The file lies on a system file system (such as /proc or /sys), which holds no songs."));
}

FileStatus changedOnDiskRefusal()
{
    return FileStatus::failure(
        ESTALE, tr("The file has changed on disk since it was read, so the tag is not written. "
                   "Select the file again to read it anew."));
}

FileIdentity identityOf(const struct stat &st)
{
    FileIdentity id;
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
    id.size = st.st_size;
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

bool isExpected(const struct stat &st, const std::optional<FileIdentity> &expected)
{
    return !expected || identityOf(st) == *expected;
}

}  // namespace SaveChecks
