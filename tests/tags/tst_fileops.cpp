// Renaming without replacing, on real files.

#include "tags/trailer/FileRename.h"
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

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
