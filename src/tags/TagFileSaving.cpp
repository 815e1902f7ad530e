// The save side of the file slot: opening only the file that was read, and the read-only bit.

#include "TagFile.h"

#include "RawTrailer.h"
#include "SaveChecks.h"
#include "TagCore.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An open that never blocks, never makes a terminal ours, and never follows a final link.
int openNoFollow(const QByteArray &path, int access)
{
    int fd;
    do {
        fd = ::open(path.constData(), access | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Closes fd and hands back status, for the early returns of a failed open.
FileStatus closeWith(int fd, const FileStatus &status)
{
    ::close(fd);
    return status;
}

}  // namespace

FileStatus TagFile::openForSaving(const QByteArray &path, const QByteArray &folder,
                                  const std::optional<FileIdentity> &expected)
{
    const FileStatus status = openChecked(path, folder, expected);
    return status ? prepareToWrite() : status;
}

FileStatus TagFile::openChecked(const QByteArray &path, const QByteArray &folder,
                                const std::optional<FileIdentity> &expected)
{
    close();
    QByteArray target;
    FileStatus status = SaveChecks::resolveInsideFolder(path, folder, target);
    if (!status)
        return status;

    // First for reading only: nothing is opened for writing before it is known to be the file
    // that was read. The target has no links left, so a final link now means it was swapped.
    struct stat st;
    if (::lstat(target.constData(), &st) != 0)
        return FileStatus::fromLastError();
    if (S_ISLNK(st.st_mode))
        return SaveChecks::changedOnDiskRefusal();
    if (!S_ISREG(st.st_mode))
        return notRegularFileStatus(st.st_mode);  // looked at before opening: opening a device can do things
    const int reader = openNoFollow(target, O_RDONLY);
    if (reader < 0)
        return errno == ELOOP ? SaveChecks::changedOnDiskRefusal() : FileStatus::fromLastError();
    if (::fstat(reader, &st) != 0)
        return closeWith(reader, FileStatus::fromLastError());
    if (!S_ISREG(st.st_mode))
        return closeWith(reader, notRegularFileStatus(st.st_mode));
    if (SaveChecks::onPseudoFileSystem(reader, st))
        return closeWith(reader, SaveChecks::pseudoFileSystemRefusal());
    if (!SaveChecks::isExpected(st, expected))
        return closeWith(reader, SaveChecks::changedOnDiskRefusal());

    m_fd = reader;  // so that the permission change and its undo act on the checked file
    m_target = target;
    m_opened = SaveChecks::identityOf(st);
    m_length = st.st_size;
    m_mode = int(st.st_mode & 07777);
    m_timesBefore[0] = st.st_atim;  // looked at before anything was read or written
    m_timesBefore[1] = st.st_mtim;
    return FileStatus::success();
}

FileStatus TagFile::prepareToWrite()
{
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    FileStatus status = makeWritable(m_mode);
    if (!status) {
        close();
        return status;
    }
    const int writer = openNoFollow(m_target, O_RDWR);
    struct stat written;
    if (writer < 0 || ::fstat(writer, &written) != 0 || written.st_dev != dev_t(m_opened.device)
        || written.st_ino != ino_t(m_opened.inode)) {
        status = writer < 0 && errno != ELOOP ? FileStatus::fromLastError() : SaveChecks::changedOnDiskRefusal();
        if (writer >= 0)
            ::close(writer);
        putReadOnlyBack();
        close();
        return status;
    }
    ::close(m_fd);
    m_fd = writer;
    m_opened = SaveChecks::identityOf(written);
    m_length = written.st_size;
    return FileStatus::success();
}

FileStatus TagFile::makeWritable(int mode)
{
    if (mode & S_IWUSR)
        return FileStatus::success();
    if (::fchmod(m_fd, mode_t(mode | S_IWUSR)) != 0)
        return FileStatus::fromLastError();
    m_modeToRestore = mode;
    return FileStatus::success();
}

FileStatus TagFile::restoreTimes()
{
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    if (::futimens(m_fd, m_timesBefore) != 0)
        return FileStatus::fromLastError();
    return FileStatus::success();
}

void TagFile::putReadOnlyBack()
{
    if (m_fd >= 0 && m_modeToRestore >= 0 && ::fchmod(m_fd, mode_t(m_modeToRestore)) == 0)
        m_modeToRestore = -1;
}

FileStatus TagFile::setMode(int mode)
{
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    m_modeToRestore = -1;
    if (::fchmod(m_fd, mode_t(mode)) != 0)
        return FileStatus::fromLastError();
    m_mode = mode;
    return FileStatus::success();
}
