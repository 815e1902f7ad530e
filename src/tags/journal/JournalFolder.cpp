#include "tags/journal/JournalFolder.h"

#include "tags/files/RegularFile.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("JournalStore", text);
}

int openNoFollow(int at, const char *name, int flags, mode_t mode = 0600)
{
    return openNonBlocking(at, name, flags | O_NOFOLLOW, mode);
}


}  // namespace

JournalFolder::~JournalFolder()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    if (m_fd >= 0)
        ::close(m_fd);
}

StoreResult JournalFolder::check(bool create)
{
    if (m_fd >= 0)
        return {};
    const qsizetype slash = m_folder.lastIndexOf('/');
    if (!m_folder.startsWith('/') || slash <= 0 || slash == m_folder.size() - 1)
        return StoreResult::failure(EINVAL, tr("The journal's folder \"%1\" is not an absolute path.").arg(shown(m_folder)));
    const QByteArray base = m_folder.left(slash), name = m_folder.mid(slash + 1);
    // The state folder (XDG_STATE_HOME): made as a private folder when missing. It is the user's
    // own choice, so a link there (a home moved to another disk) is followed; only the journal's
    // folder inside it and the files in that must be what they claim to be.
    struct stat st;
    if (::stat(base.constData(), &st) != 0) {
        if (errno == ENOENT && !create)
            return StoreResult::failure(ENOENT, QString());  // no journal yet
        if (errno != ENOENT)
            return StoreResult::failure(errno, tr("The state folder \"%1\" cannot be used (%2).").arg(shown(base), QString::fromLocal8Bit(std::strerror(errno))));
        for (qsizetype at = 1; at <= base.size(); ++at)
            if (at == base.size() || base[at] == '/')
                ::mkdir(base.left(at).constData(), 0700);
        if (::stat(base.constData(), &st) != 0)
            return StoreResult::failure(errno, tr("The state folder \"%1\" cannot be made (%2).").arg(shown(base), QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (!S_ISDIR(st.st_mode))
        return StoreResult::failure(ENOTDIR, tr("The state folder \"%1\" (XDG_STATE_HOME) is %2, not a folder: the journal of saves "
                                   "cannot be kept there.").arg(shown(base), kindOf(st.st_mode)));
    if (st.st_uid != ::geteuid() && st.st_uid != 0)  // root's (/tmp) cannot be taken over by others
        return StoreResult::failure(EPERM, tr("The state folder \"%1\" (XDG_STATE_HOME) belongs to another user (%2): the journal "
                                 "of saves is not kept there.").arg(shown(base)).arg(st.st_uid));
    if (char *resolved = ::realpath(base.constData(), nullptr)) {
        m_resolvedFolder = QByteArray(resolved) + '/' + name;
        ::free(resolved);
    }
    const int baseFd = ::open(base.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0)
        return StoreResult::failure(errno, tr("The state folder \"%1\" cannot be opened (%2).").arg(shown(base), QString::fromLocal8Bit(std::strerror(errno))));
    if (create)
        ::mkdirat(baseFd, name.constData(), 0700);
    const int statted = ::fstatat(baseFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW);
    const int code = errno;
    StoreResult result;
    if (statted != 0) {
        result = StoreResult::failure(code, tr("The journal's folder \"%1\" cannot be used (%2).").arg(shown(m_folder), QString::fromLocal8Bit(std::strerror(code))));
    } else if (!S_ISDIR(st.st_mode)) {
        result = StoreResult::failure(ENOTDIR, tr("The journal's folder \"%1\" is %2, not a folder: move it away.").arg(shown(m_folder), kindOf(st.st_mode)));
    } else if (st.st_uid != ::geteuid()) {
        result = StoreResult::failure(EPERM, tr("The journal's folder \"%1\" belongs to another user (%2): it is not used.").arg(shown(m_folder)).arg(st.st_uid));
    } else if ((m_fd = openNoFollow(baseFd, name.constData(), O_RDONLY | O_DIRECTORY)) < 0) {
        result = StoreResult::failure(errno, tr("The journal's folder \"%1\" cannot be opened (%2).").arg(shown(m_folder), QString::fromLocal8Bit(std::strerror(errno))));
    } else if ((st.st_mode & 07777) != 0700) {
        ::fchmod(m_fd, 0700);  // the previous version made it 0755
    }
    ::close(baseFd);
    if (statted != 0 && code == ENOENT && !create)
        result = StoreResult::failure(ENOENT, QString());
    return result;
}

StoreResult JournalFolder::checkFile(const char *name) const
{
    struct stat st;
    if (::fstatat(m_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? StoreResult{} : StoreResult::failure(errno, tr("\"%1/%2\" cannot be looked at (%3).").arg(shown(m_folder), QString::fromUtf8(name), QString::fromLocal8Bit(std::strerror(errno))));
    if (!S_ISREG(st.st_mode))
        return StoreResult::failure(ELOOP, tr("\"%1/%2\" is %3, not the journal's own file: the journal of saves is not opened "
                                 "until it is moved away.").arg(shown(m_folder), QString::fromUtf8(name), kindOf(st.st_mode)));
    if (st.st_uid != ::geteuid())
        return StoreResult::failure(EPERM, tr("\"%1/%2\" belongs to another user: the journal of saves is not opened.").arg(shown(m_folder), QString::fromUtf8(name)));
    return {};
}

int JournalFolder::openFile(const char *name, int flags) const
{
    return openNoFollow(m_fd, name, flags);
}

bool JournalFolder::openLock(int &code)
{
    if (m_lockFd >= 0)
        return true;
    if (m_fd < 0) {
        code = EBADF;
        return false;
    }
    m_lockFd = openFile("journal.lock", O_RDWR | O_CREAT);
    struct stat st;
    if (m_lockFd >= 0 && ::fstat(m_lockFd, &st) == 0 && S_ISREG(st.st_mode))
        return true;
    code = m_lockFd < 0 ? errno : ELOOP;
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
    return false;
}

StoreResult JournalFolder::shareLock()
{
    if (int code = 0; !openLock(code))
        return StoreResult::failure(code, tr("The lock file \"%1/journal.lock\" cannot be used (%2): nothing was saved.")
                                              .arg(shown(m_folder), QString::fromLocal8Bit(std::strerror(code))));
    int rc;
    do {
        rc = ::flock(m_lockFd, LOCK_SH);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? StoreResult{} : StoreResult::failure(errno, QString::fromLocal8Bit(std::strerror(errno)));
}

void JournalFolder::unlock()
{
    if (m_lockFd >= 0)
        ::flock(m_lockFd, LOCK_UN);
}

bool JournalFolder::tryHoldAlone()
{
    int code = 0;
    return openLock(code) && ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0;
}

QString JournalFolder::kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return tr("a link");
    if (S_ISREG(mode))
        return tr("a regular file");
    if (S_ISDIR(mode))
        return tr("a folder");
    if (S_ISFIFO(mode))
        return tr("a FIFO");
    if (S_ISSOCK(mode))
        return tr("a socket");
    return tr("a device");
}
