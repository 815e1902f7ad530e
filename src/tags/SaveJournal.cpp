#include "tags/SaveJournal.h"

#include "tags/JournalFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QHash>

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace JournalFiles;

constexpr qint64 TailChunk = 64 * 1024;  // holds the last records, enough to learn the last id

// Calls handle for each whole, undamaged line of text.
template<typename Handle>
void forEachLine(const QByteArray &text, Handle handle)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();  // a tail cut off in the middle of its line
        JournalRecord record;
        const QByteArrayView line(text.constData() + start, end - start);
        const char kind = JournalFormat::parseLine(line, record);
        if (kind)
            handle(kind, record, line);
        start = end + 1;
    }
}

}  // namespace

QByteArray SaveJournal::defaultFolder()
{
    QByteArray state = qgetenv("XDG_STATE_HOME");
    if (!state.startsWith('/'))
        state = qgetenv("HOME") + "/.local/state";
    return state + "/velmora";
}

SaveJournal::SaveJournal(const QByteArray &folder) : m_folder(folder) {}

SaveJournal::~SaveJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

QByteArray SaveJournal::filePath() const
{
    return m_folder + "/journal";
}

void SaveJournal::beginBatch()
{
    m_batch = 0;
}

void SaveJournal::endBatch()
{
    m_batch = -1;
}

FileStatus SaveJournal::refused(int code) const
{
    const QString text = QCoreApplication::translate(
        "SaveJournal", "The journal of saves in \"%1\" cannot be written (%2), so nothing is saved: "
                       "a save that could not be taken back is not made.");
    return FileStatus::failure(code, text.arg(QString::fromUtf8(m_folder), FileStatus::fromErrno(code).description()));
}

FileStatus SaveJournal::open(bool create)
{
    if (m_fd >= 0)
        return FileStatus::success();
    if (create && !QDir().mkpath(QString::fromUtf8(m_folder)))
        return refused(EACCES);
    const int lockFlags = O_RDWR | (create ? O_CREAT : 0);
    if (m_lockFd < 0 && (m_lockFd = openCloexec(m_folder + "/journal.lock", lockFlags)) < 0)
        return create ? refused(errno) : FileStatus::fromLastError();
    m_fd = openCloexec(filePath(), O_RDWR | O_APPEND | (create ? O_CREAT : 0));
    if (m_fd < 0)
        return create ? refused(errno) : FileStatus::fromLastError();
    m_knownSize = -1;
    return FileStatus::success();
}

FileStatus SaveJournal::lockJournal()
{
    // A trim may have put a new journal in place of the one open here.
    for (;;) {
        if (flockRetrying(m_fd, LOCK_EX) != 0)
            return refused(errno);
        struct stat opened, named;
        if (::fstat(m_fd, &opened) != 0)
            return refused(errno);
        if (::stat(filePath().constData(), &named) == 0 && named.st_ino == opened.st_ino
            && named.st_dev == opened.st_dev)
            return FileStatus::success();
        ::close(m_fd);
        m_fd = -1;
        if (FileStatus status = open(true); !status)
            return status;
    }
}

void SaveJournal::unlockJournal()
{
    flockRetrying(m_fd, LOCK_UN);
}

qint64 SaveJournal::lastId()
{
    struct stat st;
    if (::fstat(m_fd, &st) != 0 || st.st_size == m_knownSize)
        return m_lastId;
    const bool grown = m_knownSize >= 0 && st.st_size > m_knownSize;
    qint64 from = grown ? m_knownSize : qMax<qint64>(0, st.st_size - TailChunk);
    QByteArray text = readFrom(filePath(), from);
    qint64 last = grown ? m_lastId : 0;
    bool found = false;
    const auto note = [&](char kind, const JournalRecord &r, QByteArrayView) {
        last = qMax(last, r.id);
        found = found || kind == 'S';
    };
    forEachLine(text, note);
    if (!found && from > 0 && !grown)
        forEachLine(readFrom(filePath(), 0), note);
    m_knownSize = st.st_size;
    m_lastId = last;
    return last;
}

FileStatus SaveJournal::append(const QByteArray &line, bool flush)
{
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return refused(errno);
    // A line cut off by a crash is ended first, so that it damages no line after it.
    char last = '\n';
    if (st.st_size > 0 && ::pread(m_fd, &last, 1, st.st_size - 1) != 1)
        last = '\n';
    const QByteArray bytes = st.st_size == 0 ? JournalFormat::Header + line : last != '\n' ? '\n' + line : line;
    if (!writeAll(m_fd, bytes) || (flush && ::fdatasync(m_fd) != 0)) {
        const int code = errno ? errno : EIO;
        if (::ftruncate(m_fd, st.st_size) == 0)  // no half line left behind
            ::fdatasync(m_fd);
        return refused(code);
    }
    m_knownSize = st.st_size + bytes.size();
    return FileStatus::success();
}

FileStatus SaveJournal::begin(JournalRecord &record)
{
    FileStatus status = open(true);
    if (!status)
        return status;
    if (flockRetrying(m_lockFd, LOCK_SH) != 0)
        return refused(errno);
    status = lockJournal();
    if (status) {
        record.id = lastId() + 1;
        if (m_batch == 0)
            m_batch = record.id;
        record.batch = m_batch > 0 ? m_batch : record.id;
        record.whenMs = QDateTime::currentMSecsSinceEpoch();
        status = append(JournalFormat::recordLine(record), true);
        if (status)
            m_lastId = record.id;
        unlockJournal();
    }
    if (!status)
        flockRetrying(m_lockFd, LOCK_UN);
    return status;
}

void SaveJournal::finish(const JournalRecord &record, JournalRecord::Outcome outcome)
{
    // Not flushed: a mark lost in a crash is written again at the next start, which finds the
    // file whole.
    if (lockJournal()) {
        append(JournalFormat::markLine(record.id, outcome), false);
        unlockJournal();
    }
    flockRetrying(m_lockFd, LOCK_UN);
}

void SaveJournal::leaveOpen()
{
    if (m_lockFd >= 0)
        flockRetrying(m_lockFd, LOCK_UN);
}

FileStatus SaveJournal::mark(qint64 id, JournalRecord::Outcome outcome)
{
    FileStatus status = lockJournal();
    if (!status)
        return status;
    status = append(JournalFormat::markLine(id, outcome), true);
    unlockJournal();
    return status;
}

std::vector<JournalRecord> SaveJournal::records() const
{
    std::vector<JournalRecord> records;
    QHash<qint64, size_t> indexOf;
    forEachLine(readFrom(filePath(), 0), [&](char kind, const JournalRecord &r, QByteArrayView) {
        if (kind == 'S' && !indexOf.contains(r.id)) {
            indexOf.insert(r.id, records.size());
            records.push_back(r);
        } else if (kind == 'D' && indexOf.contains(r.id)) {
            records[indexOf.value(r.id)].outcome = r.outcome;
        }
    });
    for (const JournalRecord &r : records) {
        if (r.undoes && (r.outcome == JournalRecord::Outcome::Trailer || r.outcome == JournalRecord::Outcome::All)
            && indexOf.contains(r.undoes))
            records[indexOf.value(r.undoes)].undoneBy = r.id;
    }
    return records;
}

FileStatus SaveJournal::holdQuiet()
{
    FileStatus status = open(false);
    if (!status)
        return status;
    return flockRetrying(m_lockFd, LOCK_EX) == 0 ? FileStatus::success() : FileStatus::fromLastError();
}

void SaveJournal::releaseQuiet()
{
    if (m_lockFd >= 0)
        flockRetrying(m_lockFd, LOCK_UN);
}

FileStatus SaveJournal::trim()
{
    FileStatus status = lockJournal();
    if (!status)
        return status;
    const QByteArray text = readFrom(filePath(), 0);
    std::vector<std::pair<qint64, QByteArray>> lines;  // record id (of a mark too) and the line
    std::vector<qint64> ids;
    forEachLine(text, [&](char kind, const JournalRecord &r, QByteArrayView line) {
        if (kind == 'S')
            ids.push_back(r.id);
        lines.emplace_back(r.id, line.toByteArray() + '\n');
    });
    if (qsizetype(ids.size()) <= m_limit) {
        unlockJournal();
        return FileStatus::success();
    }
    std::sort(ids.begin(), ids.end());
    const qint64 firstKept = ids[ids.size() - size_t(m_limit)];
    QByteArray kept = JournalFormat::Header;
    for (const auto &[id, line] : lines)
        if (id >= firstKept)
            kept += line;
    const QByteArray fresh = filePath() + ".new";
    const int fd = openCloexec(fresh, O_WRONLY | O_CREAT | O_TRUNC);
    const bool written = fd >= 0 && writeAll(fd, kept) && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!written || ::rename(fresh.constData(), filePath().constData()) != 0) {
        status = FileStatus::fromLastError();
        ::unlink(fresh.constData());
    } else {
        fsyncFolder(m_folder);
    }
    unlockJournal();
    ::close(m_fd);  // the next append opens the new journal
    m_fd = -1;
    open(false);
    return status;
}
