#include "tags/journal/TextJournalImport.h"

#include <QCoreApplication>
#include <QHash>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 TextJournalLimit = 64 * 1024 * 1024;  // the previous version's, 10,000 saves: ~7 MB

QString tr(const char *text)
{
    return QCoreApplication::translate("JournalStore", text);
}

// The file's bytes, up to the limit; false with why when it cannot be read.
bool readAll(int fd, qint64 size, QByteArray &text, QString &why)
{
    text.reserve(size);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            why = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        if (n == 0 || text.size() + n > TextJournalLimit)
            return true;
        text.append(buffer, n);
    }
}

// The records of the text, their marks applied; an id given twice (the previous version could)
// is a new record each time, and a mark goes to the latest of that id.
std::vector<JournalRecord> recordsOf(const QByteArray &text)
{
    std::vector<JournalRecord> records;
    QHash<qint64, size_t> latest;
    for (const QByteArray &line : text.split('\n')) {
        JournalRecord r;
        const char kind = JournalFormat::parseLine(line, r);
        if (kind == 'S') {
            latest.insert(r.id, records.size());
            r.mode &= 0777;
            r.modeAfter = r.mode | (r.undoes ? 0 : 0200);
            records.push_back(r);
        } else if (kind == 'D' && latest.contains(r.id)) {
            records[latest.value(r.id)].state = r.state;
        }
    }
    return records;
}

}  // namespace

StoreResult textJournalLeft(const JournalFolder &folder, const QString &why)
{
    return StoreResult::failure(EIO, tr("The journal of the previous version \"%1\" cannot be read (%2): it was left as it is, and "
                                        "its saves cannot be undone.").arg(JournalFolder::shown(folder.path() + "/journal"), why));
}

StoreResult readTextJournal(const JournalFolder &folder, TextJournal &out)
{
    struct stat st;
    if (::fstatat(folder.fd(), "journal", &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode))
        return textJournalLeft(folder, tr("it is %1").arg(JournalFolder::kindOf(st.st_mode)));  // never opened: a FIFO would block
    const int fd = folder.openFile("journal", O_RDONLY);
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > TextJournalLimit) {
        const QString why = fd < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                   : !S_ISREG(st.st_mode) ? tr("it is %1").arg(JournalFolder::kindOf(st.st_mode))
                                                           : tr("it is larger than %1 MiB").arg(TextJournalLimit >> 20);
        if (fd >= 0)
            ::close(fd);
        return textJournalLeft(folder, why);
    }
    QByteArray text;
    QString why;
    const bool read = readAll(fd, st.st_size, text, why);
    ::close(fd);
    if (!read)
        return textJournalLeft(folder, why);
    out.key = QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) + ':'
        + QByteArray::number(qint64(st.st_size));
    out.records = recordsOf(text);
    return {};
}
