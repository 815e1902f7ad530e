#pragma once
// The file slot through which a tag is saved: a POSIX descriptor on the regular file that was
// read, read and written at 64-bit offsets. Reading alone goes through readTagFile.

#include "tags/files/FileLock.h"
#include "tags/text/FileStatus.h"

#include "tags/trailer/TagCore.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <sys/stat.h>

class TagFile {
public:
    TagFile() = default;
    ~TagFile();
    TagFile(const TagFile &) = delete;
    TagFile &operator=(const TagFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close();

    // Opens for a save only the file that was read, and holds its lock (FileLock.h) until close(): path (a listed link included) must lead to a
    // regular file inside folder (its own folder when empty), not on a pseudo file system, and,
    // when expected is given, be that file still (device, inode, size, modification time, checked
    // on the open descriptor). Only then is a read-only file made writable; putReadOnlyBack()
    // undoes that when the save goes no further.
    FileStatus openForSaving(const QByteArray &path, const QByteArray &folder,
                             const std::optional<FileIdentity> &expected);
    // The two halves of openForSaving: the checks, leaving the file open for reading only (so
    // that what it holds can be journalled before anything changes), then the change of a
    // read-only file's bits and the open for writing.
    // ForWriting: a file its owner may write is opened for writing at once, so prepareToWrite()
    // needs no second open.
    enum class Access { ReadOnly, ForWriting };
    FileStatus openChecked(const QByteArray &path, const QByteArray &folder,
                           const std::optional<FileIdentity> &expected, Access access = Access::ReadOnly);
    FileStatus prepareToWrite();
    void putReadOnlyBack();
    // The permission bits the checked open found.
    int mode() const { return m_mode; }

    FileStatus length(qint64 &bytes) const;
    // Device, inode, size and modification time of the file as it was opened, or as the last
    // successful write left it.
    FileStatus identity(FileIdentity &id) const;

    // Reads the last 128 bytes into trailer with exactly one pread; when the file is shorter
    // than 128 bytes nothing is read and trailer is emptied. The length is the one the open saw
    // (or the last append left): a file cut short since is an error, never a short trailer.
    FileStatus readTrailer(QByteArray &trailer);


    // Writes the 128 bytes of trailer over the last 128 bytes (overwrite) or at the end of the
    // file, and flushes them to disk before returning success (Flush::Later: the caller flushes a
    // whole batch at once, syncfs). A write that fails part-way is
    // undone (an append cut back to the old length, an overwrite given its old bytes back), so the
    // file is either unchanged or fully tagged. Should putting it back fail as well, the failure
    // says that the file may be damaged and how many bytes were added or overwritten.
    enum class Flush { Now, Later };
    FileStatus writeTrailer(const QByteArray &trailer, bool overwrite, Flush flush = Flush::Now);
    int descriptor() const { return m_fd; }

    // The ID3v2 tag opening the file (TagFileHead.cpp), from "ID3" to its last byte, footer
    // included; empty when the file opens with none. A tag larger than mostBytes, or than the file
    // before its trailer, is an error.
    FileStatus readHead(QByteArray &tag, qint64 mostBytes);
    // Writes tag over the file's first tag.size() bytes, which held old (a tag rewritten at its
    // own size). A write that fails part-way gets the old bytes back. Flushed with the trailer.
    FileStatus writeHeadInPlace(const QByteArray &tag, const QByteArray &old);
    // The file written anew with head in place of its first oldHeadSize bytes and trailer as its
    // last 128 (over the old trailer, or added), to a new file in the same folder that is flushed
    // and renamed over it: the old file is whole until the rename, the new one whole after it. The
    // new file gets the old one's permission bits and, where the system permits, its owner and
    // group, and with keepTimes its times; it is locked before the rename, and this slot holds it
    // afterwards. A file with more than one link is refused (a rename would split it).
    // The new file is named temporaryName until the rename (a name of its own when empty); made,
    // when given, is told its inode as soon as it exists (a failure stops there, the file removed).
    FileStatus rewriteWithHead(const QByteArray &head, qint64 oldHeadSize, const QByteArray &trailer, bool overwrite,
                               bool keepTimes, const QByteArray &temporaryName = {},
                               const std::function<FileStatus(quint64 inode)> &made = {});
    // The number of names the open file has.
    qint64 linkCount() const;
    // Sets the modification and access times back to what the open for saving found, to the
    // nanosecond. The system allows it only to the file's owner (or a privileged user).
    FileStatus restoreTimes();

private:
    FileStatus makeWritable(int mode);
    FileStatus copyInto(int to, const QByteArray &head, qint64 from, qint64 end, const QByteArray &trailer) const;
    FileStatus putBackFailed(const FileStatus &writeFailure, const FileStatus &restoreFailure,
                             qint64 bytes, bool overwrite) const;

    int m_fd = -1;
    bool m_writable = false;  // m_fd is open for writing
    FileLock m_lock;
    int m_modeToRestore = -1;
    int m_mode = 0;
    QByteArray m_target;  // where the checked path leads  // the permission bits a save changed, until it is done
    FileIdentity m_opened;  // from the open's own fstat, so that asking costs no system call
    qint64 m_length = 0;    // the open's length, moved on by an append
    QByteArray m_trailerRead;  // the last 128 bytes as readTrailer() read them
    timespec m_timesBefore[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};  // access, modification
};
