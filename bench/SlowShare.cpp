#include "SlowShare.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <initializer_list>
#include <vector>

namespace {

const char kPrefix[] = "velmora-share-";

void pause(int ms)
{
    const timespec step{0, ms * 1'000'000L};
    ::nanosleep(&step, nullptr);
}

// Runs a program to its end; its exit status, or -1.
int run(const char *program, const std::initializer_list<const char *> &args)
{
    std::vector<const char *> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execvp(program, const_cast<char *const *>(argv.data()));
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether a file system is mounted at path: its device differs from its parent's.
bool isMountPoint(const QByteArray &path)
{
    struct stat here, parent;
    return ::stat(path.constData(), &here) == 0 && ::stat((path + "/..").constData(), &parent) == 0 &&
           here.st_dev != parent.st_dev;
}

// Mount points of runs whose process has gone (a file system killed outright stays mounted).
void removeLeftovers(const QByteArray &base)
{
    DIR *dir = ::opendir(base.constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        const long pid = name.startsWith(kPrefix) ? name.mid(int(sizeof kPrefix) - 1).split('-').value(0).toLong() : 0;
        if (pid <= 0 || ::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        const QByteArray path = base + '/' + name;
        run("fusermount3", {"-u", "-z", "--", path.constData()});
        ::rmdir(path.constData());
        ::unlink(path.constData());  // a file of request counts
    }
    ::closedir(dir);
}

}  // namespace

SlowShare::SlowShare(const QByteArray &source, int delayUs)
{
    m_error = mount(source, delayUs);
    if (!m_error.isEmpty())
        unmount();
}

SlowShare::~SlowShare() { unmount(); }

QString SlowShare::mount(const QByteArray &source, int delayUs)
{
#ifndef VELMORA_SLOWFS
    Q_UNUSED(source);
    Q_UNUSED(delayUs);
    return QStringLiteral("share skipped: libfuse 3 was not found when the benchmarks were built");
#else
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return QStringLiteral("share skipped: /dev/fuse cannot be opened (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
    const QByteArray base = QFile::encodeName(QDir::tempPath());
    removeLeftovers(base);
    QByteArray point = base + '/' + kPrefix + QByteArray::number(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(point.data()))
        return QStringLiteral("share skipped: no mount point (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
    m_mountPoint = point;
    m_countsFile = point + ".requests";
    const QByteArray delay = QByteArray::number(delayUs);
    const pid_t parent = ::getpid();
    m_server = ::fork();
    if (m_server == 0) {
        // Should this process end without unmounting, the file system is told to unmount itself.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(1);
        ::execl(VELMORA_SLOWFS, VELMORA_SLOWFS, source.constData(), point.constData(), delay.constData(),
                m_countsFile.constData(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    if (m_server < 0)
        return QStringLiteral("share skipped: fork failed");
    return waitForMount() ? QString() : QStringLiteral("share skipped: velmora-slowfs could not mount (see its message)");
#endif
}

bool SlowShare::waitForMount()
{
    for (int tries = 0; tries < 1000; ++tries) {
        int status = 0;
        if (::waitpid(m_server, &status, WNOHANG) == m_server) {
            m_server = -1;
            return false;
        }
        if (isMountPoint(m_mountPoint))
            return true;
        pause(10);
    }
    return false;
}

void SlowShare::unmount()
{
    if (m_server > 0) {
        if (isMountPoint(m_mountPoint))
            run("fusermount3", {"-u", "--", m_mountPoint.constData()});
        // The file system ends once unmounted; when the mount is busy, it is told to end.
        int status = 0;
        for (int tries = 0; tries < 500 && ::waitpid(m_server, &status, WNOHANG) == 0; ++tries)
            pause(10);
        if (::kill(m_server, 0) == 0) {
            ::kill(m_server, SIGTERM);
            ::waitpid(m_server, &status, 0);
        }
        m_server = -1;
    }
    if (!m_mountPoint.isEmpty()) {
        if (isMountPoint(m_mountPoint))
            run("fusermount3", {"-u", "-z", "--", m_mountPoint.constData()});
        ::rmdir(m_mountPoint.constData());  // never recursive: it may still show the mirrored files
        m_mountPoint.clear();
    }
    if (!m_countsFile.isEmpty()) {
        ::unlink(m_countsFile.constData());
        ::unlink((m_countsFile + ".part").constData());
        m_countsFile.clear();
    }
}

QMap<QByteArray, double> SlowShare::requests()
{
    QMap<QByteArray, double> counts;
    if (m_server <= 0 || ::kill(m_server, SIGUSR1) != 0)
        return counts;
    ++m_dumps;
    for (int tries = 0; tries < 500; ++tries) {
        QFile file(QFile::decodeName(m_countsFile));
        if (file.open(QIODevice::ReadOnly)) {
            counts.clear();
            for (const QByteArray &line : file.readAll().split('\n')) {
                const QList<QByteArray> words = line.split(' ');
                if (words.size() == 2)
                    counts.insert(words[0], words[1].toDouble());
            }
            if (counts.take("dumps") >= m_dumps)
                return counts;
        }
        pause(10);
    }
    return {};
}
