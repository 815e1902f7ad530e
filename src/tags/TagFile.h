#pragma once
// The one file slot through which tags are read and written: a POSIX descriptor on a regular
// file, read and written at 64-bit offsets.

#include "FileStatus.h"

#include "TagCore.h"

#include <QByteArray>

#include <optional>

class TagFile {
public:
    TagFile() = default;
    ~TagFile();
    TagFile(const TagFile &) = delete;
    TagFile &operator=(const TagFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close();

    // Open an existing regular file (following links). A FIFO, device, socket or folder is refused
    // with a clear error and never opened, so no open can block; a missing file is never created,
    // and files of procfs, sysfs and the like are refused. Whatever was open before is closed first.
    FileStatus openForReading(const QByteArray &path);

    // Opens for a save only the file that was read: path (a listed link included) must lead to a
    // regular file inside folder (its own folder when empty), not on a pseudo file system, and,
    // when expected is given, be that file still (device, inode, size, modification time, checked
    // on the open descriptor). Only then is a read-only file made writable; putReadOnlyBack()
    // undoes that when the save goes no further.
    FileStatus openForSaving(const QByteArray &path, const QByteArray &folder,
                             const std::optional<FileIdentity> &expected);
    void putReadOnlyBack();

    FileStatus length(qint64 &bytes) const;
    // Device, inode, size and modification time of the file as it was opened.
    FileStatus identity(FileIdentity &id) const;

    // Reads the last 128 bytes into trailer with exactly one pread; when the file is shorter
    // than 128 bytes nothing is read and trailer is emptied. The length is the one the open saw
    // (or the last append left): a file cut short since is an error, never a short trailer.
    FileStatus readTrailer(QByteArray &trailer);

    // Reads bytes bytes at offset into out with one pread; a file shorter than that is an error.
    FileStatus readAt(qint64 offset, qint64 bytes, QByteArray &out);

    // Writes the 128 bytes of trailer over the last 128 bytes (overwrite) or at the end of the
    // file, and flushes them to disk before returning success. A write that fails part-way is
    // undone (an append cut back to the old length, an overwrite given its old bytes back), so the
    // file is either unchanged or fully tagged. Should putting it back fail as well, the failure
    // says that the file may be damaged and how many bytes were added or overwritten.
    FileStatus writeTrailer(const QByteArray &trailer, bool overwrite);

private:
    FileStatus open(const QByteArray &path, int access);
    FileStatus makeWritable(int mode);
    FileStatus putBackFailed(const FileStatus &writeFailure, const FileStatus &restoreFailure,
                             qint64 bytes, bool overwrite) const;

    int m_fd = -1;
    int m_modeToRestore = -1;  // the permission bits a save changed, until it is done
    FileIdentity m_opened;  // from the open's own fstat, so that asking costs no system call
    qint64 m_length = 0;    // the open's length, moved on by an append
};
