#include "online/AnswerCache.h"

#include "tags/journal/SaveJournal.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QByteArray AnswerCache::defaultFolder()
{
    return SaveJournal::defaultFolder() + "/musicbrainz";
}

QByteArray AnswerCache::fileOf(const QUrl &url) const
{
    return m_folder + '/' + QCryptographicHash::hash(url.toEncoded(), QCryptographicHash::Sha1).toHex() + ".json";
}

// The folder and those above it made private when missing; kept only when it is a real folder of
// the user's (not a link to somewhere else).
bool AnswerCache::makeFolder() const
{
    for (qsizetype slash = m_folder.indexOf('/', 1); ; slash = m_folder.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? m_folder : m_folder.left(slash);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            break;
    }
    struct stat info;
    return ::lstat(m_folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

std::optional<QByteArray> AnswerCache::find(const QUrl &url) const
{
    if (m_folder.isEmpty())
        return std::nullopt;
    const QByteArray path = fileOf(url);
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QFile file;
    struct stat info;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_size > MaxAnswerBytes
        || info.st_mtime > now + 60 || now - info.st_mtime > KeepSeconds || !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray answer = file.readAll();
    if (answer.size() != info.st_size)
        return std::nullopt;
    return answer;
}

void AnswerCache::keep(const QUrl &url, const QByteArray &answer) const
{
    if (m_folder.isEmpty() || answer.size() > MaxAnswerBytes || !makeFolder())
        return;
    QSaveFile file(QFile::decodeName(fileOf(url)));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(answer);
        file.commit();
    }
}

qint64 AnswerCache::lastRequestMs() const
{
    struct stat info;
    if (m_folder.isEmpty() || ::lstat((m_folder + "/last-request").constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
}

void AnswerCache::noteRequest() const
{
    if (m_folder.isEmpty() || !makeFolder())
        return;
    const int fd = ::open((m_folder + "/last-request").constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    ::futimens(fd, nullptr);
    ::close(fd);
}
