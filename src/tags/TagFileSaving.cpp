// The save side of the file slot: opening only the file that was read, and the read-only bit.

#include "tags/TagFile.h"

#include "tags/RawTrailer.h"
#include "tags/RegularFile.h"
#include "tags/SaveChecks.h"
#include "tags/TagCore.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileStatus TagFile::openForSaving(const QByteArray &path, const QByteArray &folder,
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
    status = makeWritable(int(st.st_mode & 07777));
    if (!status) {
        close();
        return status;
    }
    int writer;
    struct stat written;
    status = openRegularFile(AT_FDCWD, target.constData(), O_RDWR | O_NOFOLLOW, false, writer, written);
    if (!status || written.st_dev != st.st_dev || written.st_ino != st.st_ino) {
        status = status.code() == ELOOP || status ? SaveChecks::changedOnDiskRefusal() : status;
        if (writer >= 0)
            ::close(writer);
        putReadOnlyBack();
        close();
        return status;
    }
    ::close(reader);
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

void TagFile::putReadOnlyBack()
{
    if (m_fd >= 0 && m_modeToRestore >= 0 && ::fchmod(m_fd, mode_t(m_modeToRestore)) == 0)
        m_modeToRestore = -1;
}
