#include "TagFile.h"

#include "Id3v1.h"
#include "RawTrailer.h"
#include "SaveChecks.h"
#include "TagCore.h"

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
}

FileStatus TagFile::openForReading(const QByteArray &path)
{
    return open(path, O_RDONLY);
}

FileStatus TagFile::open(const QByteArray &path, int access)
{
    close();
    if (path.isEmpty())
        return FileStatus::fromErrno(ENOENT);
    if (path.contains('\0'))
        return FileStatus::fromErrno(EINVAL);

    // Look before opening: opening a device can have side effects of its own.
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return FileStatus::fromLastError();
    if (!S_ISREG(st.st_mode))
        return notRegularFileStatus(st.st_mode);

    // O_NONBLOCK: should the name be swapped for a FIFO after the look, the open still returns.
    int fd;
    do {
        fd = ::open(path.constData(), access | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return FileStatus::fromLastError();
    if (::fstat(fd, &st) != 0) {
        const FileStatus status = FileStatus::fromLastError();
        ::close(fd);
        return status;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return notRegularFileStatus(st.st_mode);
    }
    if (SaveChecks::onPseudoFileSystem(fd, st)) {
        ::close(fd);
        return SaveChecks::pseudoFileSystemRefusal();
    }
    m_fd = fd;
    m_opened = SaveChecks::identityOf(st);
    m_length = st.st_size;
    return FileStatus::success();
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
    return FileStatus::success();
}

FileStatus TagFile::readAt(qint64 offset, qint64 bytes, QByteArray &out)
{
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    if (offset < 0 || bytes < 0 || offset + bytes > m_length)
        return FileStatus::fromErrno(EINVAL);
    QByteArray buffer(qsizetype(bytes), Qt::Uninitialized);
    const FileStatus read = preadBytes(m_fd, offset, bytes, buffer.data());
    if (read)
        out = buffer;
    return read;
}

FileStatus TagFile::writeTrailer(const QByteArray &trailer, bool overwrite)
{
    if (trailer.size() != Id3v1::TrailerSize)
        return FileStatus::fromErrno(EINVAL);
    qint64 size = 0;
    FileStatus status = length(size);
    if (!status)
        return status;
    if (overwrite && size < Id3v1::TrailerSize)
        return FileStatus::fromErrno(EINVAL);
    const qint64 start = overwrite ? size - Id3v1::TrailerSize : size;

    // The bytes an overwrite replaces, so that one stopped part-way can put them back.
    QByteArray old;
    if (overwrite) {
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
        const ssize_t n = ::pwrite(m_fd, trailer.constData() + done, Id3v1::TrailerSize - done,
                                   start + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            status = n < 0 ? FileStatus::fromLastError() : FileStatus::fromErrno(EIO);
            break;
        }
        done += n;
    }
    if (status && ::fsync(m_fd) != 0)
        status = FileStatus::fromLastError();
    if (status) {
        m_length = overwrite ? size : size + Id3v1::TrailerSize;
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
