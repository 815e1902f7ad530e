#include "tags/trailer/TagFile.h"

#include "tags/files/RegularFile.h"
#include "tags/id3v1/Id3v1.h"
#include "tags/text/TestStop.h"
#include "tags/trailer/RawTrailer.h"
#include "tags/trailer/SaveChecks.h"
#include "tags/trailer/TagCore.h"

#include <QCoreApplication>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TagFile::~TagFile()
{
    close();
}

void TagFile::close()
{
    m_modeToRestore = -1;
    if (m_fd >= 0) {
        ::close(m_fd);  // a close error leaves nothing to retry: the descriptor is gone either way
        m_fd = -1;
    }
    m_trailerRead.clear();
    m_lock.release();
}

FileStatus TagFile::length(qint64 &bytes) const
{
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return FileStatus::fromLastError();
    bytes = st.st_size;
    return FileStatus::success();
}

FileStatus TagFile::identity(FileIdentity &id) const
{
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    id = m_opened;
    return FileStatus::success();
}

FileStatus TagFile::readTrailer(QByteArray &trailer)
{
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    const qint64 size = m_length;
    if (size < Id3v1::TrailerSize) {
        trailer.clear();
        return FileStatus::success();
    }
    QByteArray buffer(Id3v1::TrailerSize, Qt::Uninitialized);
    const FileStatus read = preadTrailer(m_fd, size, buffer.data());
    if (!read)
        return read;
    trailer = buffer;
    m_trailerRead = buffer;
    return FileStatus::success();
}

FileStatus TagFile::writeTrailer(const QByteArray &trailer, bool overwrite, Flush flush)
{
    if (trailer.size() != Id3v1::TrailerSize)
        return FileStatus::fromErrno(EINVAL);
    // The length the open saw under the lock, and the trailer read then, when it was.
    const qint64 size = m_length;
    FileStatus status = FileStatus::success();
    if (overwrite && size < Id3v1::TrailerSize)
        return FileStatus::fromErrno(EINVAL);
    const qint64 start = overwrite ? size - Id3v1::TrailerSize : size;

    // The bytes an overwrite replaces, so that one stopped part-way can put them back.
    QByteArray old = m_trailerRead;
    if (overwrite && old.size() != Id3v1::TrailerSize) {
        old.resize(Id3v1::TrailerSize);
        ssize_t got;
        do {
            got = ::pread(m_fd, old.data(), Id3v1::TrailerSize, start);
        } while (got < 0 && errno == EINTR);
        if (got < 0)
            return FileStatus::fromLastError();
        if (got != Id3v1::TrailerSize)
            return FileStatus::fromErrno(EIO);
    }

    qint64 done = 0;
    while (done < Id3v1::TrailerSize) {
        size_t chunk = size_t(Id3v1::TrailerSize - done);
        if (TestStop::armed("trailer-part"))
            chunk = Id3v1::TrailerSize / 2;  // a write cut short by a crash
        const ssize_t n = ::pwrite(m_fd, trailer.constData() + done, chunk, start + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            status = n < 0 ? FileStatus::fromLastError() : FileStatus::fromErrno(EIO);
            break;
        }
        done += n;
        TestStop::at("trailer-part");
    }
    if (status && flush == Flush::Now && ::fsync(m_fd) != 0)
        status = FileStatus::fromLastError();
    if (status) {
        m_length = overwrite ? size : size + Id3v1::TrailerSize;
        struct stat st;
        if (::fstat(m_fd, &st) == 0)
            m_opened = SaveChecks::identityOf(st);  // the write moved the modification time on
        return status;
    }

    // Leave no half trailer behind: the file goes back to what it was.
    FileStatus undo = FileStatus::success();
    if (overwrite) {
        qint64 restored = 0;
        while (restored < done) {
            const ssize_t n = ::pwrite(m_fd, old.constData() + restored, size_t(done - restored),
                                       start + restored);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                undo = n < 0 ? FileStatus::fromLastError() : FileStatus::fromErrno(EIO);
                break;
            }
            restored += n;
        }
        done -= restored;
    } else {
        int result;
        do {
            result = ::ftruncate(m_fd, size);
        } while (result != 0 && errno == EINTR);
        if (result != 0)
            undo = FileStatus::fromLastError();
        qint64 now = 0;
        done = length(now) ? now - size : done;
    }
    if (::fsync(m_fd) != 0 && undo)
        undo = FileStatus::fromLastError();
    return !undo && done > 0 ? putBackFailed(status, undo, done, overwrite) : status;
}

FileStatus TagFile::putBackFailed(const FileStatus &writeFailure, const FileStatus &restoreFailure,
                                  qint64 bytes, bool overwrite) const
{
    const QString text = overwrite
        ? QCoreApplication::translate("TagFile",
                                      "The tag could not be written (%1), and the old tag could not be put "
                                      "back (%2). The file may be damaged: %3 bytes of its old tag were "
                                      "overwritten.")
        : QCoreApplication::translate("TagFile",
                                      "The tag could not be written (%1), and the file could not be cut back "
                                      "to its old length (%2). The file may be damaged: %3 bytes were added "
                                      "at its end.");
    return FileStatus::failure(writeFailure.code(), text.arg(writeFailure.description(),
                                                             restoreFailure.description(), QString::number(bytes)));
}

// ---- saving: opening only the file that was read, and the read-only bit ----

FileStatus TagFile::openForSaving(const QByteArray &path, const QByteArray &folder,
                                  const std::optional<FileIdentity> &expected)
{
    const FileStatus status = openChecked(path, folder, expected);
    return status ? prepareToWrite() : status;
}

FileStatus TagFile::openChecked(const QByteArray &path, const QByteArray &folder,
                                const std::optional<FileIdentity> &expected, Access access)
{
    close();
    QByteArray target;
    FileStatus status = SaveChecks::resolveInsideFolder(path, folder, target);
    if (!status)
        return status;

    // Nothing is written before it is known to be the file that was read; opening a file that
    // may be written for writing at once saves a second open of each file of a batch. A read-only
    // file is opened for reading until its bits are changed. The target has no links left, so a
    // final link now means it was swapped.
    struct stat st;
    int reader;
    m_writable = false;
    if (access == Access::ForWriting) {
        status = openRegularFile(AT_FDCWD, target.constData(), O_RDWR | O_NOFOLLOW, true, reader, st);
        m_writable = bool(status);
        if (!status && (status.code() == EACCES || status.code() == EROFS || status.code() == EPERM
                        || status.code() == ETXTBSY))
            status = openRegularFile(AT_FDCWD, target.constData(), O_RDONLY | O_NOFOLLOW, true, reader, st);
    } else {
        status = openRegularFile(AT_FDCWD, target.constData(), O_RDONLY | O_NOFOLLOW, true, reader, st);
    }
    if (!status)
        return status.code() == ELOOP ? SaveChecks::changedOnDiskRefusal() : status;
    // Nothing is read before the lock is ours: another process may be half-way through its save.
    // What that save left is what the checks below see.
    if (status = m_lock.take(reader, st); status && ::fstat(reader, &st) != 0)
        status = FileStatus::fromLastError();
    if (!status) {
        m_lock.release();
        ::close(reader);
        return status;
    }
    if (!SaveChecks::isExpected(st, expected)) {
        m_lock.release();
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
    if (m_writable)
        return FileStatus::success();
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
    m_writable = true;
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
