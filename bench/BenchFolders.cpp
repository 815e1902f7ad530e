#include "BenchFolders.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace BenchFolders {

namespace {

const char kPrefix[] = "velmora-bench-";

QByteArray g_root;                  // this run's folder, made on first use
std::map<std::pair<int, bool>, QByteArray> g_folders;  // file count, with ID3v2 -> folder
char g_rootForSignal[PATH_MAX];     // the same, for the signal handler, which may not allocate

QByteArray baseFolder()
{
    return qEnvironmentVariableIsEmpty("VELMORA_BENCH_DIR") ? QFile::encodeName(QDir::tempPath())
                                                           : qgetenv("VELMORA_BENCH_DIR");
}

void removeTree(const QByteArray &path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path.toStdString(), ignored);
}

// Only async-signal-safe calls: fork, exec, wait, raise.
void onSignal(int signal)
{
    if (g_rootForSignal[0] != '\0') {
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl("/bin/rm", "rm", "-rf", "--", g_rootForSignal, static_cast<char *>(nullptr));
            ::_exit(127);
        }
        if (child > 0)
            ::waitpid(child, nullptr, 0);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// "velmora-bench-<pid>-XXXXXX" of a process that no longer runs; older runs named their folder
// without the process number, and those are taken once they are an hour old.
bool isStale(const QByteArray &name, const QByteArray &path)
{
    const QByteArray rest = name.mid(int(sizeof kPrefix) - 1);
    const qsizetype dash = rest.indexOf('-');
    bool isNumber = false;
    const long pid = dash > 0 ? rest.left(dash).toLong(&isNumber) : 0;
    if (isNumber)
        return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && ::time(nullptr) - st.st_mtime > 3600;
}

QByteArray root()
{
    if (!g_root.isEmpty())
        return g_root;
    QByteArray root = baseFolder() + '/' + kPrefix + QByteArray::number(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(root.data()) || size_t(root.size()) >= sizeof g_rootForSignal) {
        std::perror("making the benchmark folder");
        return {};
    }
    std::memcpy(g_rootForSignal, root.constData(), size_t(root.size()) + 1);
    g_root = root;
    return g_root;
}

QByteArray trailerFor(int i)
{
    QByteArray t("TAG");
    auto field = [&](const QByteArray &text, int width) { t += text.left(width).leftJustified(width, ' '); };
    field("Title number " + QByteArray::number(i), 30);
    field("Artist " + QByteArray::number(i % 97), 30);
    field("Album " + QByteArray::number(i % 13), 30);
    field(QByteArray::number(1960 + i % 60), 4);
    field("generated", 30);
    t += char(i % 130);
    return t;
}

// An ID3v2.3 tag as encoders write it: title, artist, album, year, comment and genre frames, then
// padding, 1 KiB in all.
QByteArray id3v2For(int i)
{
    const auto frame = [](const char *id, const QByteArray &contents) {
        QByteArray f = id + QByteArray(6, '\0') + contents;
        f[7] = char(contents.size());
        return f;
    };
    const QByteArray frames = frame("TIT2", '\0' + "Title number " + QByteArray::number(i))
        + frame("TPE1", '\0' + "Artist " + QByteArray::number(i % 97))
        + frame("TALB", '\0' + "Album " + QByteArray::number(i % 13))
        + frame("TYER", '\0' + QByteArray::number(1960 + i % 60))
        + frame("COMM", QByteArray("\0eng\0", 5) + "generated")
        + frame("TCON", '\0' + "(" + QByteArray::number(i % 130) + ")");
    return QByteArray("ID3\x03\x00\x00\x00\x00\x07\x76", 10) + frames.leftJustified(1014, '\0');
}

bool makeFile(const QByteArray &path, off_t size, const QByteArray &trailer, const QByteArray &head = {})
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::ftruncate(fd, size) == 0;
    if (ok && !head.isEmpty())
        ok = ::pwrite(fd, head.constData(), size_t(head.size()), 0) == head.size();
    if (ok && !trailer.isEmpty())
        ok = ::pwrite(fd, trailer.constData(), size_t(trailer.size()), size - trailer.size()) == trailer.size();
    ::close(fd);
    return ok;
}

bool generate(const QByteArray &folder, int count, bool withId3v2)
{
    std::fprintf(stderr, "generating %d files in %s\n", count, folder.constData());
    if (::mkdir(folder.constData(), 0755) != 0)
        return false;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/Track %06d - Generated Song.mp3", i);
        const off_t size = 3'000'000 + (i * 7919) % 4'000'000;  // 3 to 7 MB, as songs are
        const QByteArray head = withId3v2 ? id3v2For(i) : QByteArray();
        if (!makeFile(folder + name, size, i % 10 != 0 ? trailerFor(i) : QByteArray(), head))
            return false;
    }
    for (const char *other : {"/cover.jpg", "/playlist.m3u", "/notes.txt", "/folder.ini"})
        if (!makeSparseFile(folder + other, 2048, QByteArray()))
            return false;
    return true;
}

}  // namespace

void prepare()
{
    const QByteArray base = baseFolder();
    if (DIR *dir = ::opendir(base.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            const QByteArray path = base + '/' + name;
            if (name.startsWith(kPrefix) && isStale(name, path)) {
                std::fprintf(stderr, "removing %s, left by an earlier run\n", path.constData());
                removeTree(path);
            }
        }
        ::closedir(dir);
    }
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, onSignal);
    std::atexit(removeAll);
}

QByteArray folderOf(int count, bool withId3v2)
{
    const auto known = g_folders.find({count, withId3v2});
    if (known != g_folders.end())
        return known->second;
    const QByteArray base = root();
    const QByteArray folder = base + "/files" + QByteArray::number(count) + (withId3v2 ? "-id3v2" : "");
    if (base.isEmpty() || !generate(folder, count, withId3v2)) {
        std::perror("generating the files");
        removeTree(folder);
        return {};
    }
    g_folders[{count, withId3v2}] = folder;
    return folder;
}

QByteArray scratchFolder(const char *name)
{
    const QByteArray base = root();
    if (base.isEmpty())
        return {};
    const QByteArray folder = base + '/' + name;
    removeTree(folder);
    return ::mkdir(folder.constData(), 0755) == 0 ? folder : QByteArray();
}

void removeAll()
{
    if (g_root.isEmpty())
        return;
    removeTree(g_root);
    g_root.clear();
    g_rootForSignal[0] = '\0';
    g_folders.clear();
}

QString dropCaches()
{
    ::sync();
    const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (fd < 0 || ::write(fd, "3\n", 2) != 2) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return QStringLiteral("cold cache skipped: writing /proc/sys/vm/drop_caches failed (%1); "
                              "it needs root and a writable /proc/sys").arg(why);
    }
    ::close(fd);
    return QString();
}

bool makeSparseFile(const QByteArray &path, off_t size, const QByteArray &trailer)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::ftruncate(fd, size) == 0;
    if (ok && !trailer.isEmpty())
        ok = ::pwrite(fd, trailer.constData(), size_t(trailer.size()), size - trailer.size()) == trailer.size();
    ::close(fd);
    return ok;
}

}  // namespace BenchFolders
