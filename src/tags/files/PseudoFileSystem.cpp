#include "tags/files/PseudoFileSystem.h"

#include <QCoreApplication>

#include <sys/sysmacros.h>
#include <sys/vfs.h>
#ifdef __linux__
#include <linux/magic.h>
#endif

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
        EPERM, QCoreApplication::translate("SaveChecks", "The file lies on a system file system (such as /proc or /sys), which holds no songs."));
}

