// The save side of the file slot: opening only the file that was read, and the read-only bit.

#include "tags/trailer/TagFile.h"

#include "tags/trailer/RawTrailer.h"
#include "tags/files/RegularFile.h"
#include "tags/trailer/SaveChecks.h"
#include "tags/trailer/TagCore.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    int reader;
    status = openRegularFile(AT_FDCWD, target.constData(), O_RDONLY | O_NOFOLLOW, true, reader, st);
    if (!status)
        return status.code() == ELOOP ? SaveChecks::changedOnDiskRefusal() : status;
    if (!SaveChecks::isExpected(st, expected)) {
        ::close(reader);
        return SaveChecks::changedOnDiskRefusal();
    }

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
    int writer = -1;
    struct stat written;
    status = openRegularFile(AT_FDCWD, m_target.constData(), O_RDWR | O_NOFOLLOW, false, writer, written);
    if (!status || written.st_dev != dev_t(m_opened.device) || written.st_ino != ino_t(m_opened.inode)) {
        status = status.code() == ELOOP || status ? SaveChecks::changedOnDiskRefusal() : status;
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
    struct stat st;
    if (::fstat(m_fd, &st) == 0)
        m_opened = SaveChecks::identityOf(st);  // the next save expects the times given back
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
