#include "support/TestFiles.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace TestFiles {

namespace {
constexpr uid_t kOrdinaryUser = 65534;  // "nobody" on Debian
constexpr gid_t kOrdinaryGroup = 65534;

QByteArray field(const QByteArray &text, int width, char pad = ' ')
{
    QByteArray bytes = text.left(width);
    bytes.append(QByteArray(width - bytes.size(), pad));
    return bytes;
}
}  // namespace

QByteArray trailer(const QByteArray &title, const QByteArray &artist, const QByteArray &album,
                   const QByteArray &year, const QByteArray &comment, quint8 genre, char pad)
{
    QByteArray bytes("TAG");
    bytes += field(title, 30, pad);
    bytes += field(artist, 30, pad);
    bytes += field(album, 30, pad);
    bytes += field(year, 4, pad);
    bytes += field(comment, 30, pad);
    bytes += char(genre);
    return bytes;
}

QByteArray nulPaddedTrailer()
{
    const auto field = [](const QByteArray &text, int width) { return text + QByteArray(width - text.size(), '\0'); };
    return "TAG" + field("Song", 30) + field("The Artist", 30) + field("", 30) + "2001" + field("", 29) + '\7' + '\21';
}

QByteArray song(int size, const QByteArray &trailer)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(0x80 + (i * 7) % 0x7f);  // never the letters of "TAG"
    return bytes + trailer;
}

bool writeFile(const QByteArray &path, const QByteArray &bytes)
{
    // POSIX rather than QFile: Qt cannot open names that are not UTF-8.
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

QByteArray readFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QByteArray bytes;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    ::close(fd);
    return bytes;
}

bool exists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

bool isOwnerWritable(const QByteArray &path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && (st.st_mode & S_IWUSR);
}

QStringList namesIn(const QByteArray &folder)
{
    QStringList names;
    for (const auto &entry : std::filesystem::directory_iterator(folder.toStdString()))
        names << QString::fromUtf8(QByteArray::fromStdString(entry.path().filename().native()));
    names.sort();
    return names;
}

TempFolder::TempFolder()
{
    QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/velmora-editor-XXXXXX";
    if (::mkdtemp(pattern.data()) && ::chmod(pattern.constData(), 0755) == 0)
        m_path = pattern;
}

TempFolder::~TempFolder()
{
    if (m_path.isEmpty())
        return;
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path root(m_path.toStdString());
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(root, error);
}

QByteArray TempFolder::subfolder(const QByteArray &name) const
{
    const QByteArray path = file(name);
    if (::mkdir(path.constData(), 0755) != 0)
        qWarning("mkdir %s failed", path.constData());
    return path;
}

FileTimes timesOf(const QByteArray &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return {};
    const auto ns = [](const timespec &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return {ns(st.st_atim), ns(st.st_mtim)};
}

bool setTimes(const QByteArray &path, const FileTimes &times)
{
    const auto asTimespec = [](qint64 ns) { return timespec{time_t(ns / 1000000000), long(ns % 1000000000)}; };
    const timespec both[2] = {asTimespec(times.accessNs), asTimespec(times.modifiedNs)};
    return ::utimensat(AT_FDCWD, path.constData(), both, 0) == 0;
}

StateHome::StateHome(const QByteArray &path)
    : m_path(path.isEmpty() ? m_folder.path() : path), m_previous(qgetenv("XDG_STATE_HOME"))
{
    qputenv("XDG_STATE_HOME", m_path);
}

StateHome::~StateHome()
{
    qputenv("XDG_STATE_HOME", m_previous);
}

MessageLog::MessageLog()
{
    m_previous = Message::setHandler([this](const QString &text) { texts << text; });
    m_previousQuestion = Message::setQuestionHandler([this](const QString &text) {
        questions << text;
        return answer;
    });
}

MessageLog::~MessageLog()
{
    Message::setHandler(m_previous);
    Message::setQuestionHandler(m_previousQuestion);
}

bool ActAsUser::needed()
{
    return ::geteuid() == 0;
}

void ActAsUser::giveAway(const QByteArray &path)
{
    if (needed() && ::chown(path.constData(), kOrdinaryUser, kOrdinaryGroup) != 0)
        qWarning("chown %s failed", path.constData());
}

ActAsUser::ActAsUser()
{
    if (!needed())
        return;
    // The group first: once the user is switched, root's right to change it is gone until the
    // user is switched back (the real user stays root, so switching back is allowed).
    m_switched = ::setegid(kOrdinaryGroup) == 0 && ::seteuid(kOrdinaryUser) == 0;
    if (!m_switched)
        qWarning("could not act as an ordinary user");
}

ActAsUser::~ActAsUser()
{
    if (m_switched) {
        if (::seteuid(0) != 0 || ::setegid(0) != 0)
            qFatal("could not return to root");
    }
}

}  // namespace TestFiles
