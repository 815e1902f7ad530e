#pragma once
// The one file slot through which tags are read and written: a POSIX descriptor on a regular
// file, read and written at 64-bit offsets.

#include "FileStatus.h"

#include "TagCore.h"

#include <QByteArray>

class TagFile {
public:
    TagFile() = default;
    ~TagFile();
    TagFile(const TagFile &) = delete;
    TagFile &operator=(const TagFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close();

    // Open an existing regular file (following links). A FIFO, device, socket or folder is refused
    // with a clear error and never opened, so no open can block; a missing file is never created.
    // Whatever was open before is closed first.
    FileStatus openForReading(const QByteArray &path);
    FileStatus openForReadWrite(const QByteArray &path);

    FileStatus length(qint64 &bytes) const;
    // Device, inode, size and modification time of the file as it was opened.
    FileStatus identity(FileIdentity &id) const;

    // Reads the last 128 bytes into trailer with exactly one pread; when the file is shorter
    // than 128 bytes nothing is read and trailer is emptied. The length is the one the open saw
    // (or the last append left): a file cut short since is an error, never a short trailer.
    FileStatus readTrailer(QByteArray &trailer);

    // Writes the 128 bytes of trailer over the last 128 bytes (overwrite) or at the end of the
    // file, and flushes them to disk before returning success. A write that fails part-way is
    // undone (an append cut back to the old length, an overwrite given its old bytes back), so the
    // file is either unchanged or fully tagged.
    FileStatus writeTrailer(const QByteArray &trailer, bool overwrite);

private:
    FileStatus open(const QByteArray &path, int access);

    int m_fd = -1;
    FileIdentity m_opened;  // from the open's own fstat, so that asking costs no system call
    qint64 m_length = 0;    // the open's length, moved on by an append
};
