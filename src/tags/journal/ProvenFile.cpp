#include "tags/journal/ProvenFile.h"

#include "tags/files/FileSwap.h"
#include "tags/files/RegularFile.h"

#include <QList>

#include <utility>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr qint64 TrailerSize = 128;

int openAt(int at, const char *name, int flags)
{
    return openNonBlocking(at, name, flags | O_NOFOLLOW);
}

bool plainName(const QByteArray &name)
{
    return !name.isEmpty() && !name.contains('/') && !name.contains('\0') && name != "." && name != "..";
}

// Moves count bytes at offset with pread or pwrite, again after an interruption or a short
// transfer; 0 when all went, else the error (EIO when the file ended first).
template <typename Transfer>
int transferAll(Transfer transfer, qint64 count, qint64 offset)
{
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = transfer(done, size_t(count - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += n;
    }
    return 0;
}

int preadAll(int fd, char *data, qint64 count, qint64 offset)
{
    return transferAll([&](qint64 done, size_t n, qint64 at) { return ::pread(fd, data + done, n, at); }, count, offset);
}

int pwriteAll(int fd, const char *data, qint64 count, qint64 offset)
{
    return transferAll([&](qint64 done, size_t n, qint64 at) { return ::pwrite(fd, data + done, n, at); }, count, offset);
}

}  // namespace

namespace ProvenCheck {

QByteArray problemOf(const JournalRecord &r)
{
    using Op = JournalRecord::Op;
    if (!r.unreadable.isEmpty())
        return "its " + r.unreadable + " is missing or unreadable";
    if (!r.folder.startsWith('/') || r.folder.contains('\0'))
        return "its folder is not an absolute path";
    for (const QByteArray &part : r.folder.mid(1).split('/'))
        if (r.folder != "/" && (part.isEmpty() || part == "." || part == ".."))
            return "its folder is not a plain path";
    if (!plainName(r.oldName) || !plainName(r.newName))
        return "a file name in it is not a plain name in its folder";
    if (r.writesHead() && (!r.oldHead.startsWith("ID3") || !r.newHead.startsWith("ID3")))
        return "an ID3v2 tag in it is not one";
    if ((r.mode & ~0777) != 0 || (r.modeAfter & ~0777) != 0)
        return "it names permissions beyond read, write and execute";
    const bool oldTail = r.oldTail.size() == TrailerSize, newTail = r.newTail.size() == TrailerSize;
    if ((!r.oldTail.isEmpty() && !oldTail) || (!r.newTail.isEmpty() && !newTail))
        return "a trailer in it is not 128 bytes";
    if (r.lengthBefore < 0 || r.lengthAfter() < 0)
        return "its lengths are impossible";
    switch (r.op) {
    case Op::Write:
        if (!oldTail || !newTail || r.lengthBefore < TrailerSize)
            return "it writes a trailer it does not hold";
        break;
    case Op::Append:
        if (!newTail || (r.lengthBefore >= TrailerSize) != oldTail)
            return "it appends a trailer it does not hold";
        break;
    case Op::Cut:
        if (!oldTail || (r.lengthAfter() >= TrailerSize) != newTail)
            return "it cuts a trailer it does not hold";
        break;
    }
    return {};
}

}  // namespace ProvenCheck

ProvenFile::~ProvenFile()
{
    m_lock.release();
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_dir >= 0 && m_ownsDir)
        ::close(m_dir);
}

bool ProvenFile::isRecorded(const struct stat &st) const
{
    return S_ISREG(st.st_mode) && quint64(st.st_dev) == m_device
           && (quint64(st.st_ino) == m_inode || (m_inodeAfter && quint64(st.st_ino) == m_inodeAfter));
}

namespace {

// The folder opened from "/" one real directory at a time; -1 with errno set when it cannot be.
int openFolderChain(const QByteArray &folder)
{
    int dir = openAt(AT_FDCWD, "/", O_RDONLY | O_DIRECTORY);
    for (const QByteArray &part : folder.mid(1).split('/')) {
        if (dir < 0 || part.isEmpty())
            break;
        const int next = openAt(dir, part.constData(), O_RDONLY | O_DIRECTORY);
        const int code = errno;
        ::close(dir);
        dir = next;
        errno = code;
    }
    return dir;
}

}  // namespace

ProvenFolders::~ProvenFolders()
{
    for (const int fd : std::as_const(m_fds))
        if (fd >= 0)
            ::close(fd);
}

int ProvenFolders::open(const QByteArray &folder, int &fd)
{
    const auto known = m_fds.constFind(folder);
    if (known != m_fds.constEnd()) {
        fd = *known;
        return 0;
    }
    fd = openFolderChain(folder);
    if (fd < 0)
        return errno;
    m_fds.insert(folder, fd);
    return 0;
}

int ProvenFile::locate(const JournalRecord &record, Where &where, ProvenFolders *folders)
{
    where = Where::Neither;
    m_device = record.device;
    m_inode = record.inode;
    m_inodeAfter = record.inodeAfter;
    if (m_dir >= 0 && m_ownsDir)
        ::close(m_dir);
    m_dir = -1;
    int dir = -1;
    if (folders) {
        if (const int code = folders->open(record.folder, dir); code != 0)
            return code;
    } else if ((dir = openFolderChain(record.folder)) < 0) {
        return errno;
    }
    m_dir = dir;
    m_ownsDir = !folders;
    struct stat st;
    const bool atOld = ::fstatat(m_dir, record.oldName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && isRecorded(st);
    const bool atNew = record.renames() && ::fstatat(m_dir, record.newName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
        && isRecorded(st);
    where = atOld && atNew ? Where::Both : atOld ? Where::Old : atNew ? Where::New : Where::Neither;
    return 0;
}

int ProvenFile::open(const QByteArray &name, FileLock::Wait wait)
{
    m_lock.release();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = openAt(m_dir, name.constData(), O_RDONLY);
    if (m_fd < 0)
        return errno;
    int code = ::fstat(m_fd, &m_st) != 0 ? errno : isRecorded(m_st) ? 0 : ESTALE;
    // Looked at again once the lock is ours: a save by another process may have ended meanwhile.
    if (code == 0) {
        const FileStatus locked = m_lock.take(m_fd, m_st, wait);
        code = !locked ? locked.code() : ::fstat(m_fd, &m_st) != 0 ? errno : 0;
    }
    if (code != 0) {
        m_lock.release();
        ::close(m_fd);
        m_fd = -1;
        return code;
    }
    m_name = name;
    return 0;
}

QByteArray ProvenFile::tail() const
{
    if (m_st.st_size < TrailerSize)
        return {};
    QByteArray bytes(TrailerSize, Qt::Uninitialized);
    return preadAll(m_fd, bytes.data(), TrailerSize, m_st.st_size - TrailerSize) == 0 ? bytes : QByteArray("?");
}

namespace {

enum class Head { Before, After, PartWay, Neither };

// The ID3v2 tag opening the file against what the change writes there: each byte the old one's
// or the new one's is a write over it stopped part-way.
Head headState(int fd, const JournalRecord &record)
{
    if (!record.writesHead())
        return Head::After;
    const qsizetype size = qMax(record.oldHead.size(), record.newHead.size());
    QByteArray head(size, Qt::Uninitialized);
    const qint64 got = ::pread(fd, head.data(), size_t(size), 0);
    if (got < 0)
        return Head::Neither;
    head.truncate(qsizetype(got));
    const bool isOld = head.startsWith(record.oldHead), isNew = head.startsWith(record.newHead);
    if (isOld && isNew)
        return Head::After;  // the change wrote what was there
    if (isOld || isNew)
        return isOld ? Head::Before : Head::After;
    if (record.rewrites() || head.size() < size)
        return Head::Neither;
    for (qsizetype i = 0; i < size; ++i)
        if (head[i] != record.oldHead[i] && head[i] != record.newHead[i])
            return Head::Neither;
    return Head::PartWay;
}

}  // namespace

ProvenFile::Tail ProvenFile::tailState(const JournalRecord &record) const
{
    const Tail tail = endState(record);
    const Head head = headState(m_fd, record);
    if (head == Head::Neither || tail == Tail::Neither)
        return Tail::Neither;
    if (!record.writesHead() || (head == Head::After && tail == Tail::After) || (head == Head::Before && tail == Tail::Before))
        return tail;
    // Written in place: the tag first, then the end. Anything else mixed is another change.
    if (record.rewrites() || (head == Head::Before && tail == Tail::After))
        return Tail::Neither;
    return Tail::PartWay;
}

ProvenFile::Tail ProvenFile::endState(const JournalRecord &record) const
{
    const qint64 length = m_st.st_size;
    const QByteArray end = tail();
    if (length == record.lengthAfter() && end == record.newTail)
        return Tail::After;
    if (length == record.lengthBefore && end == record.oldTail)
        return Tail::Before;
    using Op = JournalRecord::Op;
    if (record.op == Op::Write && length == record.lengthBefore && end.size() == TrailerSize) {
        // Each byte the old one or the new one: the write over the trailer stopped part-way.
        for (qsizetype i = 0; i < end.size(); ++i)
            if (end[i] != record.oldTail[i] && end[i] != record.newTail[i])
                return Tail::Neither;
        return Tail::PartWay;
    }
    const bool grows = record.op == Op::Append, shrinks = record.op == Op::Cut;
    const qint64 small = grows ? record.lengthBefore : record.lengthAfter();
    const qint64 large = grows ? record.lengthAfter() : record.lengthBefore;
    if ((grows || shrinks) && length > small && length < large) {
        // The shorter state's end is still there, with part of the trailer after it.
        const QByteArray &smallTail = grows ? record.oldTail : record.newTail;
        QByteArray bytes(smallTail.size(), Qt::Uninitialized);
        if (!smallTail.isEmpty() && preadAll(m_fd, bytes.data(), TrailerSize, small - TrailerSize) != 0)
            return Tail::Neither;
        return bytes == smallTail ? Tail::PartWay : Tail::Neither;
    }
    return Tail::Neither;
}

int ProvenFile::makeWritable()
{
    if (m_fd < 0)
        return EBADF;
    if (!(m_st.st_mode & S_IWUSR) && ::fchmod(m_fd, (m_st.st_mode & 0777) | S_IWUSR) != 0)
        return errno;
    const int writer = openAt(m_dir, m_name.constData(), O_RDWR);
    if (writer < 0)
        return errno;
    struct stat st;
    if (::fstat(writer, &st) != 0 || !isRecorded(st)) {
        ::close(writer);
        return ESTALE;
    }
    ::close(m_fd);
    m_fd = writer;
    m_st = st;
    return 0;
}

int ProvenFile::writeEnd(const JournalRecord &record, bool toAfter, bool flush)
{
    const qint64 length = toAfter ? record.lengthAfter() : record.lengthBefore;
    const QByteArray &bytes = toAfter ? record.newTail : record.oldTail;
    int code = 0;
    if (record.writesHead()) {
        const QByteArray &head = toAfter ? record.newHead : record.oldHead;
        code = record.rewrites() ? EXDEV : pwriteAll(m_fd, head.constData(), head.size(), 0);
    }
    if (code == 0 && bytes.size() == TrailerSize && length >= TrailerSize)
        code = pwriteAll(m_fd, bytes.constData(), TrailerSize, length - TrailerSize);
    if (code == 0 && m_st.st_size != length && ::ftruncate(m_fd, length) != 0)
        code = errno;
    if (code == 0 && flush && ::fsync(m_fd) != 0)
        code = errno;
    if (code == 0)
        ::fstat(m_fd, &m_st);
    return code;
}

int ProvenFile::setMode(int mode)
{
    if ((mode & ~0777) != 0)
        return EPERM;
    if ((m_st.st_mode & 07777) == mode_t(mode))
        return 0;
    if (::fchmod(m_fd, mode_t(mode)) != 0)
        return errno;
    ::fstat(m_fd, &m_st);
    return 0;
}

int ProvenFile::rename(const QByteArray &from, const QByteArray &to)
{
    if (::syscall(SYS_renameat2, m_dir, from.constData(), m_dir, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without RENAME_NOREPLACE: a second link, then the old one removed.
    if (::linkat(m_dir, from.constData(), m_dir, to.constData(), 0) != 0)
        return errno;
    return unlinkSecondName(from);
}

int ProvenFile::unlinkSecondName(const QByteArray &name)
{
    struct stat st;
    if (::fstatat(m_dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!isRecorded(st) || st.st_nlink < 2)
        return ESTALE;
    return ::unlinkat(m_dir, name.constData(), 0) == 0 ? 0 : errno;
}

QByteArray ProvenFile::temporaryName(qint64 id)
{
    return ".velmora-" + QByteArray::number(id) + ".new";
}

int ProvenFile::removeLeftover(const JournalRecord &record)
{
    const QByteArray name = temporaryName(record.id);
    struct stat st;
    if (::fstatat(m_dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    // The record names its inode once written down; cut short before that, the file of the
    // record's own name is one of ours that no other program made.
    const bool ours = record.inodeAfter ? quint64(st.st_ino) == record.inodeAfter || quint64(st.st_ino) == record.inode
                                        : st.st_nlink == 1 && st.st_uid == ::geteuid();
    if (!S_ISREG(st.st_mode) || quint64(st.st_dev) != record.device || !ours)
        return EEXIST;  // not the file the change made: left alone
    return ::unlinkat(m_dir, name.constData(), 0) == 0 ? 0 : errno;
}

int ProvenFile::rewrite(const JournalRecord &record, const std::function<int(quint64 inode)> &made)
{
    if (m_fd < 0 || !record.writesHead())
        return EBADF;
    if (m_st.st_nlink > 1)
        return EMLINK;  // written anew under one name, the file would be split in two
    if (const int code = removeLeftover(record); code != 0)
        return code;
    const bool overwrite = record.op == JournalRecord::Op::Write || record.op == JournalRecord::Op::Cut;
    const qint64 end = record.lengthBefore - (overwrite ? TrailerSize : 0);
    if (end < record.oldHead.size())
        return EINVAL;
    const QByteArray name = temporaryName(record.id);
    const int fd = openNonBlocking(m_dir, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errno;
    struct stat st;
    FileLock lock;
    int code = ::fstat(fd, &st) != 0 ? errno : 0;
    if (code == 0) {
        const FileStatus locked = lock.take(fd, st, FileLock::Wait::No);
        code = locked ? 0 : locked.code();
    }
    if (code == 0)
        code = made(quint64(st.st_ino));
    if (code == 0)
        code = pwriteAll(fd, record.newHead.constData(), record.newHead.size(), 0);
    qint64 at = record.newHead.size();
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (qint64 from = record.oldHead.size(); code == 0 && from < end; from += buffer.size()) {
        const qint64 n = qMin(qint64(buffer.size()), end - from);
        code = preadAll(m_fd, buffer.data(), n, from);
        if (code == 0)
            code = pwriteAll(fd, buffer.constData(), n, at);
        at += n;
    }
    if (code == 0 && record.op != JournalRecord::Op::Cut)
        code = pwriteAll(fd, record.newTail.constData(), record.newTail.size(), at);
    if (code == 0 && ::fchmod(fd, m_st.st_mode & 07777) != 0)
        code = errno;
    if (code == 0 && ::fchown(fd, m_st.st_uid, m_st.st_gid) != 0)
        (void)::fchown(fd, uid_t(-1), m_st.st_gid);  // the group alone may be permitted
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (code == 0)
        code = swapInPlaceOf(m_dir, name.constData(), m_name.constData(), m_st.st_dev, m_st.st_ino);
    if (code != 0) {
        ::unlinkat(m_dir, name.constData(), 0);
        ::close(fd);
        return code;
    }
    ::fsync(m_dir);
    ::close(m_fd);
    m_fd = fd;
    m_lock = std::move(lock);
    m_inodeAfter = quint64(st.st_ino);
    ::fstat(m_fd, &m_st);
    return 0;
}
