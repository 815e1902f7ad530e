// The hidden file list on real folders: what is listed, in which order, with which bytes, and how
// the selection reports itself.
#include "browser/Mp3Files.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeFile(const QByteArray &path, const QByteArray &content = "data")
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY2(fd >= 0, path.constData());
    QCOMPARE(::write(fd, content.constData(), size_t(content.size())), ssize_t(content.size()));
    ::close(fd);
}

QList<QByteArray> names(const Mp3Files &list)
{
    QList<QByteArray> out;
    for (int i = 0; i < list.count(); ++i)
        out.append(list.name(i));
    return out;
}

}  // namespace

class TestMp3Files : public QObject {
    Q_OBJECT
private slots:
    void listsOnlyMatchingRegularFilesInOrder();
    void rawBytesNameIsKeptAndReopens();
    void patternMatching_data();
    void patternMatching();
    void selectionFollowsSelectAndRefresh();
    void missingOrNonFolderPathFails();
    void unreadableFolderFails();
    void emptyFolderAndEmptyPath();
};

void TestMp3Files::listsOnlyMatchingRegularFilesInOrder()
{
    QTemporaryDir dir;
    QTemporaryDir elsewhere;
    const QByteArray d = QFile::encodeName(dir.path());
    const QByteArray e = QFile::encodeName(elsewhere.path());

    writeFile(d + "/song.mp3");
    writeFile(d + "/SONG.MP3");
    writeFile(d + "/b.Mp3");
    writeFile(d + "/A.mp3");
    writeFile(d + "/.hidden.mp3");
    writeFile(d + "/notes.txt");
    writeFile(d + "/x.mp3.bak");
    QCOMPARE(::mkfifo((d + "/pipe.mp3").constData(), 0644), 0);
    QCOMPARE(::mkdir((d + "/x.mp3").constData(), 0755), 0);
    writeFile(e + "/target.bin");
    QCOMPARE(::symlink((e + "/target.bin").constData(), (d + "/link.mp3").constData()), 0);
    QCOMPARE(::symlink((e + "/gone.bin").constData(), (d + "/broken.mp3").constData()), 0);
    QCOMPARE(::symlink(e.constData(), (d + "/folderlink.mp3").constData()), 0);

    Mp3Files list;
    list.setPath(d);
    list.setPattern("*.mp3");
    QCOMPARE(list.path(), d);
    QCOMPARE(list.pattern(), QString("*.mp3"));
    QCOMPARE(list.count(), 0);  // setPath and setPattern only store

    QVERIFY(list.refresh().ok());
    // Case-insensitive order, equal names by bytes ("S" before "s").
    const QList<QByteArray> expected = {"A.mp3", "b.Mp3", "link.mp3", "SONG.MP3", "song.mp3"};
    QCOMPARE(names(list), expected);
    QCOMPARE(list.displayName(3), QString("SONG.MP3"));
    QCOMPARE(list.name(5), QByteArray());
    QCOMPARE(list.name(-1), QByteArray());

    // A new file shows only after the next refresh.
    writeFile(d + "/c.mp3");
    QCOMPARE(list.count(), 5);
    QVERIFY(list.refresh().ok());
    QCOMPARE(list.count(), 6);
    QCOMPARE(list.name(2), QByteArray("c.mp3"));
}

void TestMp3Files::rawBytesNameIsKeptAndReopens()
{
    QTemporaryDir dir;
    const QByteArray d = QFile::encodeName(dir.path());
    const QByteArray latin1Name("caf\xe9.mp3");  // not valid UTF-8
    writeFile(d + "/" + latin1Name, "raw-bytes");
    writeFile(d + "/d.mp3");

    Mp3Files list;
    list.setPath(d);
    list.setPattern("*.mp3");
    QVERIFY(list.refresh().ok());
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.name(0), latin1Name);
    QCOMPARE(list.displayName(0), QString::fromUtf8("caf\xEF\xBF\xBD.mp3"));  // U+FFFD shown
    QCOMPARE(list.name(1), QByteArray("d.mp3"));

    // The listed bytes reach the file again.
    const int fd = ::open((d + "/" + list.name(0)).constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    char buf[16] = {};
    QCOMPARE(::read(fd, buf, sizeof buf), ssize_t(9));
    ::close(fd);
    QCOMPARE(QByteArray(buf), QByteArray("raw-bytes"));
}

void TestMp3Files::patternMatching_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("match");
    QTest::newRow("lower") << QByteArray("a.mp3") << "*.mp3" << true;
    QTest::newRow("upper") << QByteArray("A.MP3") << "*.mp3" << true;
    QTest::newRow("mixed pattern") << QByteArray("a.mp3") << "*.Mp3" << true;
    QTest::newRow("suffix after") << QByteArray("a.mp3.bak") << "*.mp3" << false;
    QTest::newRow("no dot") << QByteArray("amp3") << "*.mp3" << false;
    QTest::newRow("only extension") << QByteArray(".mp3") << "*.mp3" << true;
    QTest::newRow("dots inside") << QByteArray("a.b.c.mp3") << "*.mp3" << true;
    QTest::newRow("question mark") << QByteArray("abc.mp3") << "a?c.mp3" << true;
    QTest::newRow("question needs one") << QByteArray("ac.mp3") << "a?c.mp3" << false;
    QTest::newRow("second of two") << QByteArray("x.wav") << "*.mp3;*.wav" << true;
    QTest::newRow("none of two") << QByteArray("x.ogg") << "*.mp3; *.wav" << false;
    QTest::newRow("star matches all") << QByteArray("anything") << "*" << true;
    QTest::newRow("star-dot-star matches all") << QByteArray("README") << "*.*" << true;
    QTest::newRow("empty pattern") << QByteArray("a.mp3") << "" << false;
    QTest::newRow("non-UTF-8 byte") << QByteArray("\xff\xfe.mp3") << "*.mp3" << true;
    QTest::newRow("backtracking") << QByteArray("a.mp3x.mp3") << "*.mp3" << true;
}

void TestMp3Files::patternMatching()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, pattern);
    QFETCH(bool, match);
    QCOMPARE(Mp3Files::matches(name, pattern), match);
}

void TestMp3Files::selectionFollowsSelectAndRefresh()
{
    QTemporaryDir dir;
    const QByteArray d = QFile::encodeName(dir.path());
    writeFile(d + "/1.mp3");
    writeFile(d + "/2.mp3");
    Mp3Files list;
    list.setPath(d);
    list.setPattern("*.mp3");
    QVERIFY(list.refresh().ok());
    QCOMPARE(list.selectedIndex(), -1);
    list.select(1);
    QCOMPARE(list.selectedIndex(), 1);
    list.select(7);  // out of range: the selection is cleared
    QCOMPARE(list.selectedIndex(), -1);
    list.select(0);
    list.clearSelection();
    QCOMPARE(list.selectedIndex(), -1);
    list.select(0);
    QVERIFY(list.refresh().ok());  // a re-read leaves nothing selected
    QCOMPARE(list.selectedIndex(), -1);
}

void TestMp3Files::missingOrNonFolderPathFails()
{
    QTemporaryDir dir;
    const QByteArray d = QFile::encodeName(dir.path());
    writeFile(d + "/1.mp3");
    Mp3Files list;
    list.setPath(d);
    list.setPattern("*.mp3");
    QVERIFY(list.refresh().ok());
    list.select(0);

    list.setPath(d + "/missing");
    const FileStatus missing = list.refresh();
    QVERIFY(!missing.ok());
    QCOMPARE(missing.code(), ENOENT);
    QVERIFY(!missing.description().isEmpty());
    QCOMPARE(list.count(), 0);  // never the old folder's entries under the new path
    QCOMPARE(list.selectedIndex(), -1);

    list.setPath(d + QByteArray("\0/x", 3));  // would list d itself if passed on
    QCOMPARE(list.refresh().code(), EINVAL);
    QCOMPARE(list.count(), 0);

    list.setPath(d + "/1.mp3");
    const FileStatus notFolder = list.refresh();
    QCOMPARE(notFolder.code(), ENOTDIR);
    QCOMPARE(list.count(), 0);
}

void TestMp3Files::unreadableFolderFails()
{
    if (::geteuid() == 0)
        QSKIP("permissions do not restrict the superuser");
    QTemporaryDir dir;
    const QByteArray d = QFile::encodeName(dir.path()) + "/locked";
    QCOMPARE(::mkdir(d.constData(), 0755), 0);
    writeFile(d + "/1.mp3");
    QCOMPARE(::chmod(d.constData(), 0), 0);
    Mp3Files list;
    list.setPath(d);
    list.setPattern("*.mp3");
    const FileStatus status = list.refresh();
    ::chmod(d.constData(), 0755);
    QCOMPARE(status.code(), EACCES);
    QCOMPARE(list.count(), 0);
}

void TestMp3Files::emptyFolderAndEmptyPath()
{
    QTemporaryDir dir;
    Mp3Files list;
    list.setPattern("*.mp3");
    QVERIFY(!list.refresh().ok());  // no folder set yet
    list.setPath(QFile::encodeName(dir.path()));
    QVERIFY(list.refresh().ok());
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.displayName(0), QString());
}

QTEST_GUILESS_MAIN(TestMp3Files)
#include "tst_mp3files.moc"
