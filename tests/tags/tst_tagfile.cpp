// The file slot on real files: which files it opens, what it refuses, and that it leaks nothing.
// What a read finds and what a save writes are tested through the tag core (tst_tagcore).

#include "tags/id3v1/Id3v1.h"
#include "tags/trailer/BulkTrailerReader.h"
#include "tags/trailer/TagCore.h"
#include "tags/trailer/TagFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char readOneTrailerOption[] = "--read-one-trailer";
const char readBothTagsOption[] = "--read-both-tags";
const char readVersionOption[] = "--read-id3v2-version";  // as for a row shown after a scan

// An ID3v2.3 tag of 2,048 bytes holding the title "Traced v2", then padding.
QByteArray id3v2Tag()
{
    const QByteArray frame = QByteArray("TIT2\x00\x00\x00\x0A\x00\x00\x00", 11) + "Traced v2";
    return QByteArray("ID3\x03\x00\x00\x00\x00\x0F\x76", 10) + frame.leftJustified(2038, '\0');
}

QByteArray pattern(int size, int seed = 0)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + seed) & 0xFF);
    return bytes;
}

QByteArray sampleTrailer(const QByteArray &title, quint8 genre = 17)
{
    Id3v1::Fields f;
    f.title = title;
    f.artist = "Artist";
    f.genre = genre;
    return Id3v1::build(f);
}

void writeFile(const QByteArray &path, const QByteArray &bytes)
{
    QFile f(QString::fromUtf8(path));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray contents(const QByteArray &path)
{
    QFile f(QString::fromUtf8(path));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Runs an open on another thread so that a blocking open fails the test instead of hanging it.
FileStatus openWithin(const QByteArray &path, bool readWrite, bool &finished)
{
    auto task = std::make_shared<TagFile>();
    auto future = std::async(std::launch::async, [task, path, readWrite] {
        return readWrite ? task->openForSaving(path, {}, std::nullopt) : readTagFile(path).status;
    });
    finished = future.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!finished) {
        // Unblock a reader stuck on a FIFO by opening its other end.
        const int fd = ::open(path.constData(), O_RDWR | O_NONBLOCK);
        future.wait();
        if (fd >= 0)
            ::close(fd);
    }
    return future.get();
}

}  // namespace

class TestTagFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();
    void refusedWritesChangeNothing();
    void onlyRegularFilesAreOpenedAndNothingBlocks();
    void missingFilesAreNotCreated();
    void linksAndNonUtf8NamesOpen();
    void reopeningClosesTheOldFileAndNothingLeaks();
    void readingOneFileIsOneOpenAndOneClose_data();
    void readingOneFileIsOneOpenAndOneClose();

private:
    QByteArray pathOf(const char *name) const { return QFile::encodeName(m_dir.filePath(QString::fromUtf8(name))); }
    QTemporaryDir m_dir;
};

void TestTagFile::init()
{
    QVERIFY(m_dir.isValid());
}

void TestTagFile::cleanupTestCase()
{
    // QTemporaryDir leaves FIFOs behind.
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(m_dir.path()).toStdString(), ignored);
}

void TestTagFile::refusedWritesChangeNothing()
{
    const QByteArray path = pathOf("keep.mp3");
    const QByteArray original = pattern(100);
    writeFile(path, original);
    TagFile file;

    // Nothing open.
    QByteArray read;
    QCOMPARE(file.readTrailer(read).code(), EBADF);
    QCOMPARE(file.writeTrailer(sampleTrailer("x"), false).code(), EBADF);

    // A trailer of the wrong size, and an overwrite of a file too short to hold a trailer.
    QVERIFY(file.openForSaving(path, {}, std::nullopt));
    QCOMPARE(file.writeTrailer(QByteArray(127, 'x'), false).code(), EINVAL);
    QCOMPARE(file.writeTrailer(sampleTrailer("x") + "y", false).code(), EINVAL);
    QCOMPARE(file.writeTrailer(sampleTrailer("x"), true).code(), EINVAL);
    file.close();
    QCOMPARE(contents(path), original);
}

void TestTagFile::onlyRegularFilesAreOpenedAndNothingBlocks()
{
    const QByteArray fifo = pathOf("fifo.mp3");
    QCOMPARE(::mkfifo(fifo.constData(), 0644), 0);
    const QByteArray folder = pathOf("folder.mp3");
    QVERIFY(QDir().mkpath(QString::fromUtf8(folder)));

    for (bool readWrite : {false, true}) {
        bool finished = false;
        FileStatus status = openWithin(fifo, readWrite, finished);
        QVERIFY2(finished, "opening a FIFO blocked");
        QVERIFY(!status);
        QCOMPARE(status.description(), QStringLiteral("Not a regular file"));

        status = openWithin(folder, readWrite, finished);
        QVERIFY(finished);
        QCOMPARE(status.code(), EISDIR);

        status = openWithin("/dev/null", readWrite, finished);
        QVERIFY(finished);
        QVERIFY(!status);
        QVERIFY(!status.description().isEmpty());
    }
    TagFile file;
    QVERIFY(!file.openForSaving(fifo, {}, std::nullopt));
    QVERIFY(!file.isOpen());
    struct stat st;
    QCOMPARE(::stat(fifo.constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

void TestTagFile::missingFilesAreNotCreated()
{
    const QByteArray path = pathOf("gone.mp3");
    TagFile file;
    QCOMPARE(file.openForSaving(path, {}, std::nullopt).code(), ENOENT);
    QCOMPARE(readTagFile(path).status.code(), ENOENT);
    QVERIFY(!file.isOpen());
    QVERIFY(!QFile::exists(QString::fromUtf8(path)));
    QCOMPARE(readTagFile(QByteArray()).status.code(), ENOENT);
    QVERIFY(!readTagFile(QByteArray("a\0b", 3)).status);
}

void TestTagFile::linksAndNonUtf8NamesOpen()
{
    const QByteArray target = pathOf("target.mp3");
    writeFile(target, pattern(300) + sampleTrailer("Linked"));
    const QByteArray link = pathOf("link.mp3");
    QCOMPARE(::symlink(target.constData(), link.constData()), 0);

    // A name that is not valid UTF-8 is still the file's name.
    const QByteArray odd = QFile::encodeName(m_dir.path()) + "/caf\xE9 \xFF.mp3";
    const int fd = ::open(odd.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);

    TagFile file;
    QByteArray read;
    QCOMPARE(readTagFile(link).fields.title, QByteArray("Linked"));

    QVERIFY(file.openForSaving(odd, {}, std::nullopt));
    QVERIFY(file.writeTrailer(sampleTrailer("Odd"), false));
    QVERIFY(file.readTrailer(read));
    QCOMPARE(Id3v1::parse(read).title, QByteArray("Odd"));
}

void TestTagFile::reopeningClosesTheOldFileAndNothingLeaks()
{
    const QByteArray a = pathOf("a.mp3");
    const QByteArray b = pathOf("b.mp3");
    writeFile(a, sampleTrailer("A"));
    writeFile(b, sampleTrailer("B"));
    const QByteArray fifo = pathOf("leak-fifo.mp3");
    QCOMPARE(::mkfifo(fifo.constData(), 0644), 0);

    const int before = openDescriptors();
    {
        TagFile file;
        for (int i = 0; i < 50; ++i) {
            QVERIFY(file.openForSaving(a, {}, std::nullopt));
            QVERIFY(file.openForSaving(b, {}, std::nullopt));
            QVERIFY(!file.openForSaving(fifo, {}, std::nullopt));
            QVERIFY(!file.openForSaving(pathOf("missing.mp3"), {}, std::nullopt));
        }
        QVERIFY(file.openForSaving(a, {}, std::nullopt));
        QVERIFY(file.openForSaving(b, {}, std::nullopt));
        QByteArray read;
        QVERIFY(file.readTrailer(read));
        QCOMPARE(Id3v1::parse(read).title, QByteArray("B"));
        QCOMPARE(openDescriptors(), before + 2);  // the file, and the descriptor that holds its lock
        file.close();
        file.close();
        QCOMPARE(openDescriptors(), before);
        QVERIFY(file.openForSaving(a, {}, std::nullopt));
    }
    // The destructor closes.
    QCOMPARE(openDescriptors(), before);
}

// Issue 30: the trailer and the ID3v2 tag read together (the window's click) take one open too.
void TestTagFile::readingOneFileIsOneOpenAndOneClose_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArrayList>("preads");  // each pread's length, offset and result
    QTest::newRow("the trailer") << QString::fromLatin1(readOneTrailerOption) << QByteArray()
                                 << QByteArrayList{", 10, 0) = 10", ", 128, 70000) = 128"};
    QTest::newRow("the trailer and the ID3v2 tag") << QString::fromLatin1(readBothTagsOption) << id3v2Tag()
                                                   << QByteArrayList{", 4096, 0) = 4096", ", 128, 72048) = 128"};
    // The scan leaves the ID3v2 head to the rows shown, which read only that.
    QTest::newRow("a shown row's ID3v2 version") << QString::fromLatin1(readVersionOption) << id3v2Tag()
                                                 << QByteArrayList{", 10, 0) = 10"};
}

void TestTagFile::readingOneFileIsOneOpenAndOneClose()
{
    QFETCH(QString, option);
    QFETCH(QByteArray, head);
    QFETCH(QByteArrayList, preads);
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        QSKIP("strace is not installed");

    const QByteArray path = pathOf("traced-song.mp3");
    writeFile(path, head + pattern(70000) + sampleTrailer("Traced"));
    const QString log = m_dir.filePath(QStringLiteral("strace.log"));

    QProcess process;
    // A leak check cannot run under a tracer (sanitizer builds); the traced run only counts calls.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    process.setProcessEnvironment(env);
    process.start(strace, {QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-y"),
                           QStringLiteral("-e"),
                           QStringLiteral("trace=open,openat,read,pread64,readv,preadv,preadv2,lseek,"
                                          "close,mmap,sendfile,copy_file_range"),
                           QStringLiteral("-o"), log, QCoreApplication::applicationFilePath(), option,
                           QString::fromUtf8(path)});
    QVERIFY(process.waitForFinished(60000));
    if (process.exitCode() != 0 && !QFile::exists(log))
        QSKIP(qPrintable(QStringLiteral("strace cannot trace here: ") + QString::fromLocal8Bit(process.readAllStandardError())));
    QCOMPARE(process.exitCode(), 0);

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    int opens = 0, closes = 0, others = 0;
    QByteArrayList seen;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.contains("traced-song.mp3"))
            continue;
        if (line.contains("open(") || line.contains("openat("))
            ++opens;
        else if (line.contains("pread64(")) {
            const qsizetype args = line.indexOf(", ", line.lastIndexOf('"'));
            seen += line.mid(args);
        } else if (line.contains("close("))
            ++closes;
        else {
            ++others;
            qWarning("unexpected: %s", line.constData());
        }
    }
    QCOMPARE(opens, 1);
    QCOMPARE(seen, preads);
    QCOMPARE(closes, 1);
    QCOMPARE(others, 0);
}

// Besides the tests, the program reads one trailer when asked, so that it can be traced.
int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], readOneTrailerOption) == 0) {
        const TagReading reading = readTagFile(QByteArray(argv[2]));
        if (!reading.status)
            return 2;
        return reading.trailer.size() == Id3v1::TrailerSize ? 0 : 3;
    }
    if (argc == 3 && std::strcmp(argv[1], readBothTagsOption) == 0) {
        const FileTags tags = readFileTags(QByteArray(argv[2]));
        if (!tags.trailer.status || !tags.id3v2.status)
            return 2;
        const bool both = tags.trailer.fields.title == "Traced" && tags.id3v2.values.title == QStringLiteral("Traced v2");
        return both ? 0 : 3;
    }
    if (argc == 3 && std::strcmp(argv[1], readVersionOption) == 0) {
        const QByteArray path(argv[2]);
        const QByteArray folder = path.left(path.lastIndexOf('/')), name = path.mid(folder.size() + 1);
        return readId3v2Versions(folder, {name}) == std::vector<int>{3} ? 0 : 3;
    }
    QCoreApplication app(argc, argv);
    TestTagFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tagfile.moc"
