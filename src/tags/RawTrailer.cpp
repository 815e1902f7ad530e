#include "tags/RawTrailer.h"

#include "tags/RegularFile.h"
#include "tags/SaveChecks.h"

#include <QCoreApplication>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileStatus readOpenTrailer(int fd, const struct stat &st, RawTrailer &out)
{
    out.identity = SaveChecks::identityOf(st);
    if (st.st_size < Id3v1::TrailerSize)
        return FileStatus::success();
    const FileStatus status = preadTrailer(fd, st.st_size, out.bytes);
    if (!status)
        return status;
    out.complete = true;
    return FileStatus::success();
}

}  // namespace

FileStatus preadTrailer(int fd, qint64 size, char *out)
{
    ssize_t got;
    do {
        got = ::pread(fd, out, Id3v1::TrailerSize, size - Id3v1::TrailerSize);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return FileStatus::fromLastError();
    if (got != Id3v1::TrailerSize) {
        // The file was cut short since its size was taken.
        return FileStatus::failure(EIO, QCoreApplication::translate(
                                            "TagFile", "The file changed while it was being read"));
    }
    return FileStatus::success();
}

FileStatus notRegularFileStatus(mode_t mode)
{
    if (S_ISDIR(mode))
        return FileStatus::fromErrno(EISDIR);
    return FileStatus::failure(EINVAL, QCoreApplication::translate("TagFile", "Not a regular file"));
}

void readRawTrailer(int folderFd, const char *name, EntryKind kind, RawTrailer &out)
{
    out.complete = false;
    out.identity = FileIdentity();
    int fd;
    struct stat st;
    out.status = openRegularFile(folderFd, name, O_RDONLY, kind != EntryKind::Regular, fd, st);
    if (!out.status)
        return;
    out.status = readOpenTrailer(fd, st, out);
    ::close(fd);  // nothing was written: a close error loses nothing
    if (!out.status)
        out.complete = false;
}
