// A save writes only the file that was read, inside the chosen folder, and leaves a file it could
// not save as it was, read-only bit included. Real files, real links, a real full file system.
// Faults that cannot be set up in this process (a full mount, a failing ftruncate) run in a child
// copy of this program that reports what it saw on standard output.

#include "tags/id3v1/Id3v1.h"
#include "tags/trailer/TagCore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace TestFiles;

namespace {

const char fullFileSystemOption[] = "--save-read-only-on-full-disk";
const char failingRollbackOption[] = "--save-with-failing-rollback";
constexpr int cannotSetUp = 77;

// A file with its permission bits.
bool writeFile(const QByteArray &path, const QByteArray &bytes, mode_t mode)
{
    return TestFiles::writeFile(path, bytes) && ::chmod(path.constData(), mode) == 0;
}

int modeOf(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

Id3v1::Fields hostileFields()
{
    Id3v1::Fields f;
    f.title = "Song";
    f.artist = "\ntouch ~/gotcha #";
    f.genre = 17;
    return f;
}

// The request the window makes: the identity it read and the folder it shows.
TagSave saveOf(const QByteArray &path, const QByteArray &folder, const TagReading &reading)
{
    TagSave request;
    request.path = path;
    request.folder = folder;
    request.fields = hostileFields();
    request.expected = reading.identity;
    return request;
}

// The child's report: "key=value" lines.
QMap<QByteArray, QByteArray> reportOf(const QByteArray &out)
{
    QMap<QByteArray, QByteArray> report;
    for (const QByteArray &line : out.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            report.insert(line.left(equals), line.mid(equals + 1));
    }
    return report;
}

void say(const char *key, const QByteArray &value)
{
    std::printf("%s=%s\n", key, value.constData());
}

void sayOutcome(const QByteArray &path, const QByteArray &before, int modeBefore, const TagSaveResult &result)
{
    say("code", QByteArray::number(result.status.code()));
    say("message", result.status.description().toUtf8());
    say("unchanged", readFile(path) == before ? "yes" : "no");
    say("size", QByteArray::number(readFile(path).size()));
    say("mode", QByteArray::number(modeOf(path), 8));
    say("modeBefore", QByteArray::number(modeBefore, 8));
}

// A mount of our own that other processes never see: a private mount namespace, as root or
// inside a user namespace.
bool privateMountNamespace()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        const auto put = [](const char *file, const QByteArray &text) {
            const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
            const bool ok = fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
            if (fd >= 0)
                ::close(fd);
            return ok;
        };
        put("/proc/self/setgroups", "deny");
        if (!put("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1")
            || !put("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1"))
            return false;
    }
    return ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// A read-only 4096-byte song on a 64 KiB tmpfs filled to the last byte: the appended trailer
// needs a block that is not there. Where no mount can be made, a file size limit of 4096 bytes
// stops the append the same way.
int saveReadOnlyOnFullDisk(const QByteArray &folder)
{
    const QByteArray songPath = folder + "/song.mp3";
    if (privateMountNamespace() && ::mount("velmora-test", folder.constData(), "tmpfs", 0, "size=64k") == 0) {
        say("how", "full tmpfs");
        const QByteArray before = song(4096);
        if (!writeFile(songPath, before, 0444))
            return 2;
        const int filler = ::open((folder + "/filler").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const QByteArray block(4096, 'x');
        while (::write(filler, block.constData(), size_t(block.size())) > 0) {
        }
        while (::write(filler, block.constData(), 1) > 0) {
        }
        ::close(filler);
        sayOutcome(songPath, before, 0444, saveTagFile(saveOf(songPath, folder, readTagFile(songPath))));
        return 0;
    }
    say("how", "file size limit");
    const QByteArray before = song(4096);
    if (!writeFile(songPath, before, 0444))
        return 2;
    const TagReading reading = readTagFile(songPath);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return cannotSetUp;
    sayOutcome(songPath, before, 0444, saveTagFile(saveOf(songPath, folder, reading)));
    return 0;
}

// An append stopped after 50 bytes by the file size limit, whose cut back then fails: ftruncate
// is made to fail with EIO by a seccomp filter (the call number alone is enough in this child).
int saveWithFailingRollback(const QByteArray &folder)
{
    const QByteArray songPath = folder + "/song.mp3";
    const QByteArray before = song(1000);
    if (!writeFile(songPath, before, 0444))
        return 2;
    const TagReading reading = readTagFile(songPath);

    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_ftruncate, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EIO & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog program = {static_cast<unsigned short>(std::size(filter)), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        return cannotSetUp;
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {1050, 1050};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return cannotSetUp;
    sayOutcome(songPath, before, 0444, saveTagFile(saveOf(songPath, folder, reading)));
    return 0;
}

}  // namespace

class TestSaveSafety : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QByteArray m_folder;   // the chosen folder
    QByteArray m_outside;  // a folder beside it

    QByteArray inFolder(const char *name) const { return m_folder + '/' + name; }

    QMap<QByteArray, QByteArray> runChild(const char *option, bool *setUp)
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(option), QString::fromUtf8(m_folder)});
        if (!child.waitForFinished(60000))
            return {};
        const QByteArray err = child.readAllStandardError();
        if (!err.isEmpty())
            qInfo("child: %s", err.constData());
        *setUp = child.exitStatus() == QProcess::NormalExit && child.exitCode() != cannotSetUp;
        return reportOf(child.readAllStandardOutput());
    }

private slots:
    void init()
    {
        QVERIFY(m_root.isValid());
        static int counter = 0;
        const QByteArray base = QFile::encodeName(m_root.path()) + '/' + QByteArray::number(++counter);
        m_folder = base + "-music";
        m_outside = base + "-home";
        QVERIFY(QDir().mkpath(QString::fromUtf8(m_folder)) && QDir().mkpath(QString::fromUtf8(m_outside)));
    }

    void linkOutOfTheFolderIsRefused()
    {
        const QByteArray startup = m_outside + "/.bashrc";
        const QByteArray before = "export PATH=$HOME/bin:$PATH\n";
        QVERIFY(writeFile(startup, before, 0444));
        const QByteArray link = inFolder("song.mp3");
        QCOMPARE(::symlink(startup.constData(), link.constData()), 0);

        const TagSaveResult result = saveTagFile(saveOf(link, m_folder, readTagFile(link)));
        QVERIFY(!result.status);
        QVERIFY(!result.written);
        QVERIFY2(result.status.description().contains(QStringLiteral("outside the folder")),
                 qPrintable(result.status.description()));
        QCOMPARE(readFile(startup), before);
        QCOMPARE(modeOf(startup), 0444);
        // No folder given means the link's own folder: refused all the same.
        TagSave bare = saveOf(link, QByteArray(), readTagFile(link));
        QVERIFY(!saveTagFile(bare).status);
        QCOMPARE(readFile(startup), before);
    }

    void linkInsideTheFolderIsSaved()
    {
        QVERIFY(QDir().mkpath(QString::fromUtf8(inFolder("album"))));
        const QByteArray real = inFolder("album/real.mp3");
        const QByteArray head = song(3000);
        QVERIFY(writeFile(real, head, 0644));
        const QByteArray link = inFolder("song.mp3");
        QCOMPARE(::symlink("album/real.mp3", link.constData()), 0);

        const TagSaveResult result = saveTagFile(saveOf(link, m_folder, readTagFile(link)));
        QVERIFY2(result.status, qPrintable(result.status.description()));
        QCOMPARE(readFile(real), head + Id3v1::build(hostileFields()));
        struct stat st;
        QVERIFY(::lstat(link.constData(), &st) == 0 && S_ISLNK(st.st_mode));
    }

    void fileChangedBetweenReadAndSaveIsRefused_data()
    {
        QTest::addColumn<QByteArray>("change");
        QTest::newRow("replaced by another file") << QByteArray("file");
        QTest::newRow("replaced by a link in the folder") << QByteArray("link in");
        QTest::newRow("replaced by a link out of the folder") << QByteArray("link out");
        QTest::newRow("grown by another program") << QByteArray("grown");
    }

    void fileChangedBetweenReadAndSaveIsRefused()
    {
        QFETCH(QByteArray, change);
        const QByteArray songPath = inFolder("song.mp3");
        const QByteArray original = song(2000);
        QVERIFY(writeFile(songPath, original, 0644));
        const TagReading reading = readTagFile(songPath);
        QVERIFY(reading.status);

        // The file read is kept under another name; the other file takes or gets its place.
        const QByteArray kept = inFolder("kept.bin");
        const QByteArray other = change == "link out" ? m_outside + "/other.mp3" : inFolder("other.mp3");
        const QByteArray otherBytes = song(2000).replace(0, 4, "XXXX");
        QVERIFY(writeFile(other, otherBytes, 0444));
        QByteArray keptBytes = original;
        if (change == "grown") {
            keptBytes += "more";
            QVERIFY(writeFile(songPath, keptBytes, 0644));
            QCOMPARE(::link(songPath.constData(), kept.constData()), 0);
        } else {
            QCOMPARE(::rename(songPath.constData(), kept.constData()), 0);
            if (change == "file")
                QCOMPARE(::link(other.constData(), songPath.constData()), 0);
            else
                QCOMPARE(::symlink(other.constData(), songPath.constData()), 0);
        }

        const TagSaveResult result = saveTagFile(saveOf(songPath, m_folder, reading));
        QVERIFY(!result.status);
        QVERIFY(!result.written);
        if (change != "link out")
            QVERIFY2(result.status.description().contains(QStringLiteral("changed on disk since it was read")),
                     qPrintable(result.status.description()));
        QCOMPARE(readFile(kept), keptBytes);
        QCOMPARE(readFile(other), otherBytes);
        QCOMPARE(modeOf(other), 0444);
    }

    void readOnlyFileOnAFullFileSystemKeepsItsModeAndBytes()
    {
        bool setUp = false;
        const auto report = runChild(fullFileSystemOption, &setUp);
        if (!setUp)
            QSKIP("neither a mount nor a file size limit could be set up here");
        qInfo("filled up by: %s", report.value("how").constData());
        QVERIFY(report.value("code").toInt() == ENOSPC || report.value("code").toInt() == EFBIG);
        QVERIFY(!report.value("message").isEmpty());
        QCOMPARE(report.value("unchanged"), QByteArray("yes"));
        QCOMPARE(report.value("mode"), QByteArray("444"));
    }

    void failingRollbackSaysTheFileMayBeDamaged()
    {
        bool setUp = false;
        const auto report = runChild(failingRollbackOption, &setUp);
        if (!setUp)
            QSKIP("a seccomp filter cannot be installed here");
        const QByteArray message = report.value("message");
        QVERIFY2(message.contains("may be damaged") && message.contains("50 bytes were added"), message.constData());
        QCOMPARE(report.value("code").toInt(), EFBIG);
        QCOMPARE(report.value("size"), QByteArray("1050"));
        QCOMPARE(report.value("mode"), QByteArray("444"));
    }

    void pseudoFilesAreNeitherReadNorWritten()
    {
        // The process's own name: a regular file on procfs that it may write.
        const QByteArray comm = "/proc/self/comm";
        const QByteArray before = readFile(comm);
        const TagReading reading = readTagFile(comm);
        QVERIFY(!reading.status);
        TagSave request;
        request.path = comm;
        request.folder = "/proc/self";
        request.fields = hostileFields();
        const TagSaveResult result = saveTagFile(request);
        QVERIFY(!result.status);
        QVERIFY2(result.status.description().contains(QStringLiteral("system file system")),
                 qPrintable(result.status.description()));
        QCOMPARE(readFile(comm), before);
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], fullFileSystemOption) == 0)
        return saveReadOnlyOnFullDisk(QByteArray(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], failingRollbackOption) == 0)
        return saveWithFailingRollback(QByteArray(argv[2]));
    QCoreApplication app(argc, argv);
    TestSaveSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_savesafety.moc"
