// The head of the file a save holds: its ID3v2 tag read, written over at its own size, or the
// file written anew when the tag must grow.

#include "tags/trailer/TagFile.h"

#include "tags/files/FileSwap.h"
#include "tags/id3v1/Id3v1.h"
#include "tags/id3v2/Id3v2Header.h"
#include "tags/text/TestStop.h"
#include "tags/trailer/SaveChecks.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileStatus preadAll(int fd, char *to, qint64 size, qint64 at)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, to + done, size_t(size - done), at + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? FileStatus::fromLastError() : FileStatus::fromErrno(EIO);
        done += n;
    }
    return FileStatus::success();
}

FileStatus pwriteAll(int fd, const char *from, qint64 size, qint64 at)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, from + done, size_t(size - done), at + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? FileStatus::fromLastError() : FileStatus::fromErrno(EIO);
        done += n;
        TestStop::at("head-part");
    }
    return FileStatus::success();
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray(slash == 0 ? "/" : ".") : path.left(slash);
}

}  // namespace

FileStatus TagFile::readHead(QByteArray &tag, qint64 mostBytes)
{
    tag.clear();
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    if (m_length < Id3v2::HeaderSize)
        return FileStatus::success();
    char head[Id3v2::HeaderSize];
    if (const FileStatus read = preadAll(m_fd, head, Id3v2::HeaderSize, 0); !read)
        return read;
    const std::optional<Id3v2::Header> header = Id3v2::parseHeader(head);
    if (!header)
        return FileStatus::success();
    const qint64 size = header->totalSize();
    if (size > mostBytes || size > m_length)
        return FileStatus::failure(EFBIG, QStringLiteral("The ID3v2 tag is larger than the file or than %1 MB.")
                                              .arg(mostBytes >> 20));
    tag.resize(qsizetype(size));
    const FileStatus read = preadAll(m_fd, tag.data(), size, 0);
    if (!read)
        tag.clear();
    return read;
}

FileStatus TagFile::writeHeadInPlace(const QByteArray &tag, const QByteArray &old)
{
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    if (tag.size() != old.size())
        return FileStatus::fromErrno(EINVAL);
    if (TestStop::armed("head-part")) {
        // A write cut short by a crash: half the tag, then the stop.
        (void)pwriteAll(m_fd, tag.constData(), tag.size() / 2, 0);
        TestStop::at("head-part");
    }
    const FileStatus written = pwriteAll(m_fd, tag.constData(), tag.size(), 0);
    if (written)
        return written;
    const FileStatus back = pwriteAll(m_fd, old.constData(), old.size(), 0);
    ::fsync(m_fd);
    if (!back)
        return FileStatus::failure(written.code(), QStringLiteral("The ID3v2 tag could not be written (%1), and the old "
                                                                  "tag could not be put back (%2). The file may be damaged.")
                                                       .arg(written.description(), back.description()));
    return written;
}

qint64 TagFile::linkCount() const
{
    struct stat st;
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? qint64(st.st_nlink) : 0;
}

FileStatus TagFile::copyInto(int to, const QByteArray &head, qint64 from, qint64 end, const QByteArray &trailer) const
{
    FileStatus status = pwriteAll(to, head.constData(), head.size(), 0);
    constexpr qint64 Chunk = 1 << 20;
    QByteArray buffer(qsizetype(qMin(Chunk, qMax<qint64>(end - from, 1))), Qt::Uninitialized);
    qint64 at = head.size();
    for (qint64 offset = from; status && offset < end; offset += buffer.size()) {
        const qint64 n = qMin(qint64(buffer.size()), end - offset);
        status = preadAll(m_fd, buffer.data(), n, offset);
        if (status)
            status = pwriteAll(to, buffer.constData(), n, at);
        at += n;
    }
    if (status)
        status = pwriteAll(to, trailer.constData(), trailer.size(), at);
    return status;
}

FileStatus TagFile::rewriteWithHead(const QByteArray &head, qint64 oldHeadSize, const QByteArray &trailer, bool overwrite,
                                    bool keepTimes, const QByteArray &temporaryName,
                                    const std::function<FileStatus(quint64 inode)> &made)
{
    if (m_fd < 0)
        return FileStatus::fromErrno(EBADF);
    struct stat old;
    if (::fstat(m_fd, &old) != 0)
        return FileStatus::fromLastError();
    if (old.st_nlink > 1)
        return FileStatus::failure(EMLINK, QStringLiteral("The file has %1 names (hard links); written anew under one of "
                                                          "them it would be split in two, so it was not changed.")
                                               .arg(qint64(old.st_nlink)));
    const qint64 end = overwrite ? m_length - Id3v1::TrailerSize : m_length;
    if (oldHeadSize > end)
        return FileStatus::fromErrno(EINVAL);
    QByteArray temporary = folderOf(m_target) + '/' + (temporaryName.isEmpty() ? QByteArray(".velmora-new-XXXXXX") : temporaryName);
    const int fd = temporaryName.isEmpty()
        ? ::mkostemp(temporary.data(), O_CLOEXEC)
        : ::open(temporary.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return FileStatus::fromLastError();
    struct stat st;
    FileLock lock;
    FileStatus status = ::fstat(fd, &st) == 0 ? lock.take(fd, st, FileLock::Wait::No) : FileStatus::fromLastError();
    if (status && made)
        status = made(quint64(st.st_ino));
    if (status)
        status = copyInto(fd, head, oldHeadSize, end, trailer);
    TestStop::at("rewrite-copied");
    if (status && ::fchmod(fd, old.st_mode & 07777) != 0)
        status = FileStatus::fromLastError();
    if (status && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, uid_t(-1), old.st_gid);  // the group alone may be permitted; else the writer's own
    if (status && keepTimes && ::futimens(fd, m_timesBefore) != 0)
        status = FileStatus::fromLastError();
    if (status && ::fsync(fd) != 0)
        status = FileStatus::fromLastError();
    if (status) {
        const int code = swapInPlaceOf(AT_FDCWD, temporary.constData(), m_target.constData(), old.st_dev, old.st_ino);
        if (code == ESTALE)
            status = SaveChecks::changedOnDiskRefusal();
        else if (code != 0)
            status = FileStatus::fromErrno(code);
    }
    if (!status) {
        ::unlink(temporary.constData());
        ::close(fd);
        return status;
    }
    TestStop::at("rewrite-renamed");
    if (const int folder = ::open(folderOf(m_target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folder >= 0) {
        ::fsync(folder);  // the rename itself made durable
        ::close(folder);
    }
    ::close(m_fd);
    m_lock = std::move(lock);
    m_fd = fd;
    m_writable = true;
    m_modeToRestore = -1;
    struct stat now;
    if (::fstat(m_fd, &now) == 0) {
        m_opened = SaveChecks::identityOf(now);
        m_length = now.st_size;
    }
    m_trailerRead = trailer;
    return FileStatus::success();
}
