#include "tags/trailer/RawTrailer.h"

#include "tags/id3v2/Id3v2Header.h"
#include "tags/id3v2/Id3v2Reader.h"
#include "tags/files/RegularFile.h"
#include "tags/trailer/SaveChecks.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
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

// When the tag is wanted, the first read takes this much, which holds most tags without cover
// art: one read of the file's start instead of two.
constexpr qint64 FirstReadWithTag = 4096;

// The tag's values, from the open file whose first bytes (start, from offset 0) open it.
FileStatus readId3v2Frames(int fd, qint64 size, QByteArrayView start, const Id3v2::Header &header, RawTrailer &out,
                           Id3v2::FrameMemo *memo)
{
    const qint64 tagBytes = Id3v2::HeaderSize + header.bodySize;  // a footer repeats the header: not read
    if (header.totalSize() > size) {
        out.id3v2Problem = QStringLiteral("the ID3v2 tag claims %1 bytes, more than the file holds").arg(header.totalSize());
        return FileStatus::success();
    }
    if (tagBytes > Id3v2::MaxTagBytes) {
        out.id3v2Problem = QStringLiteral("the ID3v2 tag is larger than %1 MiB and is not read").arg(Id3v2::MaxTagBytes >> 20);
        return FileStatus::success();
    }
    if (tagBytes <= start.size()) {
        out.id3v2Values = Id3v2::parse(QByteArray::fromRawData(start.data(), tagBytes), out.id3v2Problem, memo);
        return FileStatus::success();
    }
    QByteArray tag(tagBytes, Qt::Uninitialized);
    std::memcpy(tag.data(), start.data(), size_t(start.size()));
    const FileStatus status = preadAll(fd, tag.data() + start.size(), tagBytes - start.size(), start.size());
    if (status)
        out.id3v2Values = Id3v2::parse(tag, out.id3v2Problem, memo);
    return status;
}

// Notes the version of an ID3v2 tag that opens the file from its first ten bytes.
FileStatus readId3v2Major(int fd, qint64 size, int &version)
{
    if (size < Id3v2::HeaderSize)
        return FileStatus::success();
    char head[Id3v2::HeaderSize];
    const FileStatus status = preadAll(fd, head, Id3v2::HeaderSize, 0);
    if (const std::optional<Id3v2::Header> header = status ? Id3v2::parseHeader(head) : std::nullopt)
        version = header->major;
    return status;
}

// Notes the version of an ID3v2 tag that opens the file, and reads the tag when asked.
FileStatus readId3v2Head(int fd, qint64 size, const RawReadOptions &options, RawTrailer &out)
{
    const Id3v2Read what = options.id3v2;
    if (what == Id3v2Read::None)
        return FileStatus::success();
    if (what == Id3v2Read::Version)
        return readId3v2Major(fd, size, out.id3v2Version);
    if (size < Id3v2::HeaderSize)
        return FileStatus::success();
    char start[FirstReadWithTag];
    const qint64 startSize = qMin(size, FirstReadWithTag);
    const FileStatus status = preadAll(fd, start, startSize, 0);
    const std::optional<Id3v2::Header> header = status ? Id3v2::parseHeader(start) : std::nullopt;
    if (!header)
        return status;
    out.id3v2Version = header->major;
    return readId3v2Frames(fd, size, QByteArrayView(start, startSize), *header, out, options.memo);
}

FileStatus readOpenTrailer(int fd, const struct stat &st, const RawReadOptions &options, RawTrailer &out)
{
    out.identity = SaveChecks::identityOf(st);
    out.mode = int(st.st_mode & 07777);
    FileStatus status = readId3v2Head(fd, st.st_size, options, out);
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

void readRawTrailer(int folderFd, const char *name, EntryKind kind, RawTrailer &out, const RawReadOptions &options)
{
    out.complete = false;
    out.id3v2Version = 0;
    out.identity = FileIdentity();
    out.id3v2Values = {};
    out.id3v2Problem.clear();
    int fd;
    struct stat st;
    out.status = openRegularFile(folderFd, name, O_RDONLY, kind != EntryKind::Regular, fd, st, options.folderFileSystem);
    if (!out.status)
        return;
    out.status = readOpenTrailer(fd, st, options, out);
    ::close(fd);  // nothing was written: a close error loses nothing
    if (!out.status) {
        out.complete = false;
        out.id3v2Version = 0;
        out.id3v2Values = {};
        out.id3v2Problem.clear();
    }
}

int readId3v2Version(int folderFd, const char *name, const FolderFileSystem *folderFs)
{
    int fd;
    struct stat st;
    if (!openRegularFile(folderFd, name, O_RDONLY, false, fd, st, folderFs))
        return 0;
    int version = 0;
    (void)readId3v2Major(fd, st.st_size, version);  // a failed read leaves it 0
    ::close(fd);
    return version;
}
