#include "tags/RawTrailer.h"

#include "tags/Id3v2Header.h"
#include "tags/RegularFile.h"
#include "tags/SaveChecks.h"

#include <QCoreApplication>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileStatus preadAll(int fd, char *out, qint64 bytes, qint64 offset)
{
    ssize_t got;
    do {
        got = ::pread(fd, out, size_t(bytes), offset);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return FileStatus::fromLastError();
    if (got != bytes) {
        // The file was cut short since its size was taken.
        return FileStatus::failure(EIO, QCoreApplication::translate(
                                            "TagFile", "The file changed while it was being read"));
    }
    return FileStatus::success();
}

// Notes the version of an ID3v2 tag that opens the file; nothing else of it is read here.
FileStatus readId3v2Version(int fd, qint64 size, int &version)
{
    version = 0;
    if (size < Id3v2::HeaderSize)
        return FileStatus::success();
    char head[Id3v2::HeaderSize];
    const FileStatus status = preadAll(fd, head, Id3v2::HeaderSize, 0);
    if (status) {
        if (const std::optional<Id3v2::Header> header = Id3v2::parseHeader(head))
            version = header->major;
    }
    return status;
}

FileStatus readOpenTrailer(int fd, const struct stat &st, RawTrailer &out)
{
    out.identity = SaveChecks::identityOf(st);
    FileStatus status = readId3v2Version(fd, st.st_size, out.id3v2Version);
    if (!status || st.st_size < Id3v1::TrailerSize)
        return status;
    status = preadTrailer(fd, st.st_size, out.bytes);
    if (!status)
        return status;
    out.complete = true;
    return FileStatus::success();
}

}  // namespace

FileStatus preadTrailer(int fd, qint64 size, char *out)
{
    return preadAll(fd, out, Id3v1::TrailerSize, size - Id3v1::TrailerSize);
}

FileStatus preadBytes(int fd, qint64 offset, qint64 bytes, char *out)
{
    return preadAll(fd, out, bytes, offset);
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
    out.id3v2Version = 0;
    out.identity = FileIdentity();
    int fd;
    struct stat st;
    out.status = openRegularFile(folderFd, name, O_RDONLY, kind != EntryKind::Regular, fd, st);
    if (!out.status)
        return;
    out.status = readOpenTrailer(fd, st, out);
    ::close(fd);  // nothing was written: a close error loses nothing
    if (!out.status) {
        out.complete = false;
        out.id3v2Version = 0;
    }
}
