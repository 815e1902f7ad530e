// Renaming without replacing, and the read-only attribute, on real files.

#include "tags/ChngFileAtt.h"
#include "tags/FileRename.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestFiles;

namespace {

mode_t modeOf(const QByteArray &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return mode_t(-1);
    return st.st_mode & 07777;
}

struct timespec changeTimeOf(const QByteArray &path)
{
    struct stat st {};
    ::stat(path.constData(), &st);
    return st.st_ctim;
}

bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Long enough for the change time of a file to move on.
void letTimePass()
{
    QTest::qSleep(20);
}

using RenameFunction = FileStatus (*)(const QByteArray &, const QByteArray &);

}  // namespace

Q_DECLARE_METATYPE(RenameFunction)

class TestFileOps : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void renameNeverReplacesAnotherFile_data() { renameFunctions(); }
    void renameNeverReplacesAnotherFile();
    void renameMovesTheFile_data() { renameFunctions(); }
    void renameMovesTheFile();
    void renameToTheSameNameSucceeds();
    void caseOnlyChangeOfTheSameFile();
    void caseOnlyChangeOntoAnotherFileFails();
    void renameReportsAMissingSource();

    void clearingReadOnlyMakesTheFileWritable();
    void removeMaskWritesOnlyWhenABitIsSet();
    void setMaskAlwaysWrites();
    void noSuchRegularFile();

private:
    void renameFunctions();
    QByteArray pathOf(const char *name) const { return QFile::encodeName(m_dir->path()) + '/' + name; }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFileOps::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestFileOps::cleanup()
{
    // QTemporaryDir skips names that are not UTF-8.
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(m_dir->path()).toStdString(), ignored);
}

void TestFileOps::renameFunctions()
{
    QTest::addColumn<RenameFunction>("rename");
    QTest::newRow("renameNoReplace") << RenameFunction(&renameNoReplace);
    QTest::newRow("link then unlink") << RenameFunction(&RenameFallback::linkThenUnlink);
    QTest::newRow("reserve then rename") << RenameFunction(&RenameFallback::reserveThenRename);
}

void TestFileOps::renameNeverReplacesAnotherFile()
{
    QFETCH(RenameFunction, rename);
    const QByteArray a = pathOf("a.mp3");
    const QByteArray b = pathOf("b.mp3");
    QVERIFY(writeFile(a, "first file"));
    QVERIFY(writeFile(b, "second file"));
    const FileStatus status = rename(a, b);
    QVERIFY(!status);
    QCOMPARE(status.code(), EEXIST);
    QVERIFY(!status.description().isEmpty());
    QCOMPARE(readFile(a), QByteArray("first file"));
    QCOMPARE(readFile(b), QByteArray("second file"));
}

void TestFileOps::renameMovesTheFile()
{
    QFETCH(RenameFunction, rename);
    const QByteArray from = pathOf("old name.mp3");
    const QByteArray to = pathOf("New \xFF name.MP3");
    QVERIFY(writeFile(from, "the song"));
    ::chmod(from.constData(), 0640);
    const FileStatus status = rename(from, to);
    QVERIFY2(status, qPrintable(status.description()));
    QVERIFY(!exists(from));
    QCOMPARE(readFile(to), QByteArray("the song"));
    QCOMPARE(modeOf(to), mode_t(0640));
}

void TestFileOps::renameToTheSameNameSucceeds()
{
    const QByteArray path = pathOf("same.mp3");
    QVERIFY(writeFile(path, "unchanged"));
    QVERIFY(renameNoReplace(path, path));
    QCOMPARE(readFile(path), QByteArray("unchanged"));
}

void TestFileOps::caseOnlyChangeOfTheSameFile()
{
    const QByteArray lower = pathOf("song.mp3");
    const QByteArray upper = pathOf("Song.MP3");
    QVERIFY(writeFile(lower, "bytes"));
    const FileStatus status = renameNoReplace(lower, upper);
    QVERIFY2(status, qPrintable(status.description()));
    QCOMPARE(readFile(upper), QByteArray("bytes"));
    QVERIFY(!exists(lower));
}

void TestFileOps::caseOnlyChangeOntoAnotherFileFails()
{
    // On a file system that tells letter case apart these are two files...
    const QByteArray lower = pathOf("song.mp3");
    const QByteArray upper = pathOf("SONG.mp3");
    QVERIFY(writeFile(lower, "lower"));
    QVERIFY(writeFile(upper, "upper"));
    QCOMPARE(renameNoReplace(lower, upper).code(), EEXIST);
    QCOMPARE(readFile(lower), QByteArray("lower"));
    QCOMPARE(readFile(upper), QByteArray("upper"));

    // ...and so are two hard links of one file: the rename must not report a success that
    // leaves both names in place.
    const QByteArray linked = pathOf("Linked.mp3");
    const QByteArray other = pathOf("linked.mp3");
    QVERIFY(writeFile(linked, "shared"));
    QCOMPARE(::link(linked.constData(), other.constData()), 0);
    QCOMPARE(renameNoReplace(linked, other).code(), EEXIST);
    QVERIFY(exists(linked));
    QCOMPARE(readFile(other), QByteArray("shared"));
}

void TestFileOps::renameReportsAMissingSource()
{
    const QByteArray to = pathOf("target.mp3");
    QCOMPARE(renameNoReplace(pathOf("missing.mp3"), to).code(), ENOENT);
    QCOMPARE(renameNoReplace(QByteArray(), to).code(), ENOENT);
    QVERIFY(!exists(to));
    const QByteArray from = pathOf("from.mp3");
    QVERIFY(writeFile(from, "x"));
    QVERIFY(!renameNoReplace(from, QByteArray()));
    QVERIFY(!renameNoReplace(from, pathOf("no/such/folder.mp3")));
    QCOMPARE(readFile(from), QByteArray("x"));
}

void TestFileOps::clearingReadOnlyMakesTheFileWritable()
{
    const QByteArray path = pathOf("locked.mp3");
    QVERIFY(writeFile(path, "data"));
    QCOMPARE(::chmod(path.constData(), 0444), 0);
    QCOMPARE(ChngFileAtt::attributesOf(path), ChngFileAtt::ReadOnly);

    ChngFileAtt changer;
    FileStatus failure = FileStatus::fromErrno(EIO);
    QVERIFY(changer.ChangeFileAttributes(path, 0, ChngFileAtt::ReadOnly, &failure));
    QVERIFY(failure);
    QCOMPARE(ChngFileAtt::attributesOf(path), 0);
    // The owner gets the right to write; nobody else does.
    QCOMPARE(modeOf(path), mode_t(0644));
    QCOMPARE(readFile(path), QByteArray("data"));

    // Setting read-only takes every write permission away.
    QCOMPARE(::chmod(path.constData(), 0666), 0);
    QVERIFY(changer.ChangeFileAttributes(path, ChngFileAtt::ReadOnly, 0, &failure));
    QVERIFY(failure);
    QCOMPARE(modeOf(path), mode_t(0444));
    QCOMPARE(ChngFileAtt::attributesOf(path), ChngFileAtt::ReadOnly);
}

void TestFileOps::removeMaskWritesOnlyWhenABitIsSet()
{
    const QByteArray path = pathOf("writable.mp3");
    QVERIFY(writeFile(path, "data"));
    QCOMPARE(::chmod(path.constData(), 0664), 0);
    const struct timespec before = changeTimeOf(path);
    letTimePass();
    ChngFileAtt changer;
    QVERIFY(changer.ChangeFileAttributes(path, 0, ChngFileAtt::ReadOnly));
    QVERIFY2(sameTime(before, changeTimeOf(path)), "permissions were written although the bit was clear");
    QCOMPARE(modeOf(path), mode_t(0664));

    // Bits with no meaning here are neither written nor an error.
    QVERIFY(changer.ChangeFileAttributes(path, 0, 32));
    QVERIFY(sameTime(before, changeTimeOf(path)));
}

void TestFileOps::setMaskAlwaysWrites()
{
    const QByteArray path = pathOf("already.mp3");
    QVERIFY(writeFile(path, "data"));
    QCOMPARE(::chmod(path.constData(), 0444), 0);
    const struct timespec before = changeTimeOf(path);
    letTimePass();
    ChngFileAtt changer;
    QVERIFY(changer.ChangeFileAttributes(path, ChngFileAtt::ReadOnly, 0));
    QVERIFY2(!sameTime(before, changeTimeOf(path)), "a set mask must write even when its bits are set");
    QCOMPARE(modeOf(path), mode_t(0444));

    // Set then remove in one call: removal wins, as the two steps run in that order.
    QVERIFY(changer.ChangeFileAttributes(path, ChngFileAtt::ReadOnly, ChngFileAtt::ReadOnly));
    QCOMPARE(ChngFileAtt::attributesOf(path), 0);
}

void TestFileOps::noSuchRegularFile()
{
    ChngFileAtt changer;
    FileStatus failure = FileStatus::fromErrno(EIO);
    const QByteArray missing = pathOf("missing.mp3");
    QCOMPARE(ChngFileAtt::attributesOf(missing), -1);
    QVERIFY(!changer.ChangeFileAttributes(missing, 0, ChngFileAtt::ReadOnly, &failure));
    QVERIFY(failure);
    QVERIFY(!exists(missing));

    // A folder (what the save sees with no file selected) is not a file either.
    const QByteArray folder = QFile::encodeName(m_dir->path()) + '/';
    const mode_t folderMode = modeOf(folder);
    QVERIFY(!changer.ChangeFileAttributes(folder, ChngFileAtt::ReadOnly, 0));
    QCOMPARE(modeOf(folder), folderMode);
    QCOMPARE(ChngFileAtt::attributesOf(folder), -1);
    QVERIFY(!changer.ChangeFileAttributes(QByteArray(), 0, ChngFileAtt::ReadOnly));

    const QByteArray fifo = pathOf("fifo.mp3");
    QCOMPARE(::mkfifo(fifo.constData(), 0644), 0);
    QVERIFY(!changer.ChangeFileAttributes(fifo, ChngFileAtt::ReadOnly, 0));
    QCOMPARE(modeOf(fifo), mode_t(0644));
    ::unlink(fifo.constData());
}

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
