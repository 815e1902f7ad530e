#include "tags/files/DirectoryReader.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

QByteArray FolderEntry::name() const
{
    return QByteArray(m_entry.d_name);
}

const char *FolderEntry::rawName() const
{
    return m_entry.d_name;
}

int FolderEntry::followedMode() const
{
    struct stat st;
    return fstatat(m_folderFd, m_entry.d_name, &st, 0) == 0 ? int(st.st_mode) : 0;
}

// A link or an entry of unknown type is what it points to; any other type answers at once.
bool FolderEntry::isOfType(unsigned char entryType, int formatBits) const
{
    if (m_entry.d_type == entryType)
        return true;
    if (m_entry.d_type != DT_LNK && m_entry.d_type != DT_UNKNOWN)
        return false;
    return (followedMode() & S_IFMT) == formatBits;
}

bool FolderEntry::isRegularFile() const
{
    return isOfType(DT_REG, S_IFREG);
}

bool FolderEntry::isFolder() const
{
    return isOfType(DT_DIR, S_IFDIR);
}

FileStatus forEachVisibleEntry(const QByteArray &folder, const std::function<void(const FolderEntry &)> &visit)
{
    if (folder.contains('\0'))
        return FileStatus::fromErrno(EINVAL);  // the system would see a shorter path
    DIR *dir = opendir(folder.constData());
    if (!dir)
        return FileStatus::fromLastError();
    const int fd = dirfd(dir);
    FileStatus status = FileStatus::success();
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir);
        if (!entry) {
            if (errno != 0)
                status = FileStatus::fromLastError();
            break;
        }
        if (entry->d_name[0] != '.')
            visit(FolderEntry(fd, *entry));
    }
    closedir(dir);
    return status;
}
