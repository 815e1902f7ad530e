#pragma once
// The file a journal record names, found only where the record proves it is: its folder opened
// from "/" one real directory at a time (no link anywhere, as the save resolved it), the name a
// plain one (no "/", not "." or ".."), a regular file with the recorded device and inode. Every
// change goes through the open descriptors, never through a path looked up again. Errors are the
// system's numbers. Includes nothing of ours above the journal's room.

#include "tags/files/FileLock.h"
#include "tags/journal/JournalRecord.h"

#include <QByteArray>
#include <QHash>

#include <functional>

#include <sys/stat.h>

namespace ProvenCheck {
// Why a record cannot be acted on at all, or empty: a value unreadable, names, folder, mode,
// trailers, lengths.
QByteArray problemOf(const JournalRecord &record);
}  // namespace ProvenCheck

// The folders of many records (an undo of a batch), each opened as locate() opens one, once, and
// kept open until this goes.
class ProvenFolders {
public:
    ProvenFolders() = default;
    ~ProvenFolders();
    ProvenFolders(const ProvenFolders &) = delete;
    ProvenFolders &operator=(const ProvenFolders &) = delete;
    // 0 and fd, the folder's descriptor (owned here), or an errno.
    int open(const QByteArray &folder, int &fd);

private:
    QHash<QByteArray, int> m_fds;
};

class ProvenFile {
public:
    enum class Where { Neither, Old, New, Both };
    enum class Tail { Before, After, PartWay, Neither };

    ProvenFile() = default;
    ~ProvenFile();
    ProvenFile(const ProvenFile &) = delete;
    ProvenFile &operator=(const ProvenFile &) = delete;

    // Opens the record's folder (or takes it from folders) and looks for its file under the old
    // and the new name. Returns 0 or an errno of the folder's open.
    int locate(const JournalRecord &record, Where &where, ProvenFolders *folders = nullptr);
    // Opens the file found under name (read-only) and takes its lock, held until another open or
    // the end of this object; 0 or an errno (EBUSY: another process holds the file). Whoever holds
    // the journal alone (recovery) must not wait for a file: a save that holds one may be waiting
    // for the journal.
    int open(const QByteArray &name, FileLock::Wait wait = FileLock::Wait::No);

    Tail tailState(const JournalRecord &record) const;
    qint64 size() const { return m_st.st_size; }
    int mode() const { return int(m_st.st_mode & 07777); }
    QByteArray tail() const;

    // Gives a read-only file its owner's write bit and reopens it for writing, checking it is the
    // same file. 0 or an errno.
    int makeWritable();
    // Makes the file's end what record says it is after (toAfter) or before, and its ID3v2 tag
    // when the change writes one over itself; flushed unless the caller flushes a batch at once.
    int writeEnd(const JournalRecord &record, bool toAfter, bool flush = true);
    // For a change whose ID3v2 tag changes length (record.rewrites()): the file as record says it
    // is after, written to temporaryName(record.id) in the folder, flushed and renamed over the
    // file, which this object then holds, locked. made is given the new file's inode as soon as
    // it exists (to write it down); a non-zero return stops there, the new file removed.
    int rewrite(const JournalRecord &record, const std::function<int(quint64 inode)> &made);
    // The name a change's new file has until it is renamed over the old one.
    static QByteArray temporaryName(qint64 id);
    // Removes the new file a change cut short left under temporaryName, when it is the one its
    // record names (record.inodeAfter), or, cut short before that was written down, a regular
    // file of ours with one name. 0, or an errno.
    int removeLeftover(const JournalRecord &record);
    int descriptor() const { return m_fd; }
    int setMode(int mode);
    // Renames from to within the folder, never replacing a file; 0 or an errno (EEXIST).
    int rename(const QByteArray &from, const QByteArray &to);
    // Removes the name when it is a second link to the file found.
    int unlinkSecondName(const QByteArray &name);
    int folderFd() const { return m_dir; }
    // The lock of the open file, for a caller that holds it past this object.
    FileLock takeLock() { return std::move(m_lock); }

private:
    bool isRecorded(const struct stat &st) const;
    Tail endState(const JournalRecord &record) const;  // the trailer and length alone

    int m_dir = -1, m_fd = -1;
    bool m_ownsDir = true;  // false: the folder is a ProvenFolders'
    FileLock m_lock;
    quint64 m_device = 0, m_inode = 0;
    quint64 m_inodeAfter = 0;  // the file written anew by the change, if any
    QByteArray m_name;
    struct stat m_st {};
};
