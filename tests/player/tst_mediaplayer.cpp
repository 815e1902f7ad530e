// The playback component on real MP3 files, played in real time by GStreamer (into a silent
// sink when no audio server is running).

#include "player/MediaPlayer.h"
#include "tags/files/PseudoFileSystem.h"

#include <QAudioOutput>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using enum MediaPlayer::PlayState;

const QByteArray Tone3 = VELMORA_FIXTURES_DIR "/tone3s.mp3";
const QByteArray Tone10 = VELMORA_FIXTURES_DIR "/tone10s.mp3";

// How long a wait on the real player may take before it counts as a failure. Only a failing
// test waits this long; a busy machine can take seconds to load a file or catch up after a jump.
constexpr int Patience = 8000;

// Lets the event loop run for ms milliseconds.
void settle(int ms)
{
    QTest::qWait(ms);
}

}  // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT
private slots:
    void nothingOpened();
    void openPlaysInRealTime();
    void pauseHoldsAndPlayResumes();
    void pauseRightAfterOpen();
    void seekRightAfterOpen();
    void seekWhilePlaying();
    void seekWhilePausedStaysPaused();
    void stopHoldsStill();
    void finishedFileReadsNeitherPlayingNorPaused();
    void openAnotherFileSwitches();
    void volumeAndGain();
    void unplayableFilesFailOnce_data();
    void unplayableFilesFailOnce();
    void unreadableFileFails();
    void failureOfAnEarlierOpenIsNotReported();
    void playsAfterAFailure();
    void nonUtf8NamePlays();
};

void TestMediaPlayer::nothingOpened()
{
    MediaPlayer p;
    p.stop();
    p.play();
    p.pause();
    p.setPosition(5);
    QCOMPARE(p.playState(), Stopped);
    QCOMPARE(p.position(), 0.0);
    QCOMPARE(p.duration(), 0.0);
    p.stop();
    QCOMPARE(p.playState(), Stopped);
}

void TestMediaPlayer::openPlaysInRealTime()
{
    MediaPlayer p;
    QSignalSpy failures(&p, &MediaPlayer::failed);
    p.open(Tone10);
    QCOMPARE(p.playState(), Playing);  // at once, before the backend has loaded anything
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2, Patience);

    // Real time: the position advances as fast as the clock, not faster (a sink that does not
    // keep time would race through the file) and not much slower.
    QElapsedTimer clock;
    const double start = p.position();
    clock.start();
    settle(800);
    const double advanced = p.position() - start;
    const double elapsed = clock.elapsed() / 1000.0;
    QVERIFY2(advanced > elapsed * 0.6 && advanced < elapsed * 1.3,
             qPrintable(QStringLiteral("advanced %1 s in %2 s").arg(advanced).arg(elapsed)));
    QCOMPARE(p.playState(), Playing);
    QVERIFY2(qAbs(p.duration() - 10.0) < 0.15, qPrintable(QString::number(p.duration())));
    QCOMPARE(failures.count(), 0);
}

void TestMediaPlayer::pauseHoldsAndPlayResumes()
{
    MediaPlayer p;
    p.open(Tone10);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.3, Patience);
    p.pause();
    QCOMPARE(p.playState(), Paused);
    settle(200);
    const double held = p.position();
    settle(500);
    QVERIFY2(qAbs(p.position() - held) < 0.05, qPrintable(QString::number(p.position() - held)));
    QCOMPARE(p.playState(), Paused);

    p.play();
    QCOMPARE(p.playState(), Playing);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > held + 0.3, Patience);
    // Resumed from where it was held, not from the start.
    QVERIFY(p.position() < held + 2.0);
}

void TestMediaPlayer::pauseRightAfterOpen()
{
    MediaPlayer p;
    p.open(Tone10);
    p.pause();
    QCOMPARE(p.playState(), Paused);
    settle(1000);
    QCOMPARE(p.playState(), Paused);
    QVERIFY2(p.position() < 0.3, qPrintable(QString::number(p.position())));
    QTRY_VERIFY_WITH_TIMEOUT(p.duration() > 5, Patience);

    p.play();
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.3, Patience);
    QCOMPARE(p.playState(), Playing);
}

void TestMediaPlayer::seekRightAfterOpen()
{
    MediaPlayer p;
    p.open(Tone10);
    p.setPosition(6);
    QCOMPARE(p.position(), 6.0);  // what was asked for, even before the file has loaded
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 6.2, Patience);
    QVERIFY2(p.position() < 8.5, qPrintable(QString::number(p.position())));
    QCOMPARE(p.playState(), Playing);
}

void TestMediaPlayer::seekWhilePlaying()
{
    MediaPlayer p;
    p.open(Tone10);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.3, Patience);
    p.setPosition(7);
    QVERIFY(qAbs(p.position() - 7.0) < 0.1);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 7.2, Patience);
    QVERIFY(p.position() < 9.0);
    QCOMPARE(p.playState(), Playing);

    // And back towards the start.
    p.setPosition(0);
    QVERIFY(p.position() < 0.1);
    settle(300);
    QVERIFY2(p.position() < 1.5, qPrintable(QString::number(p.position())));
}

void TestMediaPlayer::seekWhilePausedStaysPaused()
{
    MediaPlayer p;
    p.open(Tone10);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.3, Patience);
    p.pause();
    p.setPosition(5);
    QCOMPARE(p.playState(), Paused);
    settle(600);
    QCOMPARE(p.playState(), Paused);
    QVERIFY2(qAbs(p.position() - 5.0) < 0.1, qPrintable(QString::number(p.position())));

    p.play();  // plays on from the new position
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 5.3, Patience);
    QVERIFY(p.position() < 7.0);
}

void TestMediaPlayer::stopHoldsStill()
{
    MediaPlayer p;
    p.open(Tone10);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.3, Patience);
    p.stop();
    QCOMPARE(p.playState(), Stopped);
    settle(200);
    const double after = p.position();
    settle(400);
    QCOMPARE(p.position(), after);
    QCOMPARE(p.playState(), Stopped);
    p.stop();  // twice is harmless
    QCOMPARE(p.playState(), Stopped);
}

void TestMediaPlayer::finishedFileReadsNeitherPlayingNorPaused()
{
    MediaPlayer p;
    QSignalSpy failures(&p, &MediaPlayer::failed);
    p.open(Tone3);
    p.setPosition(2.3);
    QTRY_COMPARE_WITH_TIMEOUT(p.playState(), Stopped, 4000);
    QCOMPARE(failures.count(), 0);
    // Play after the end starts it again.
    p.play();
    QCOMPARE(p.playState(), Playing);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2 && p.position() < 2.0, Patience);
}

void TestMediaPlayer::openAnotherFileSwitches()
{
    MediaPlayer p;
    p.open(Tone10);
    p.setPosition(6);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 6.2, Patience);
    p.open(Tone3);
    QCOMPARE(p.playState(), Playing);
    QVERIFY(p.position() < 6.0);  // the old jump does not carry over
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(p.duration() - 3.0) < 0.15, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2, Patience);
    QVERIFY(p.position() < 2.0);
}

void TestMediaPlayer::volumeAndGain()
{
    QCOMPARE(MediaPlayer::gainForVolume(0), 1.0f);
    QVERIFY(qAbs(MediaPlayer::gainForVolume(-2000) - 0.1f) < 1e-6f);
    QVERIFY(qAbs(MediaPlayer::gainForVolume(-3000) - 0.0316228f) < 1e-6f);
    QVERIFY(qAbs(MediaPlayer::gainForVolume(-1000) - 0.316228f) < 1e-6f);
    // Outside the range the nearest end applies: never louder than full, never silent.
    QCOMPARE(MediaPlayer::gainForVolume(700), 1.0f);
    QCOMPARE(MediaPlayer::gainForVolume(-9000), MediaPlayer::gainForVolume(-3000));

    MediaPlayer p;
    auto output = [&p] { return p.findChild<QAudioOutput *>(); };
    QVERIFY(output());
    QCOMPARE(p.volume(), 0);
    QCOMPARE(output()->volume(), 1.0f);
    // Every value reads back exactly as set, with no float round trip in between.
    for (int v = 0; v >= -3000; v -= 7) {
        p.setVolume(v);
        QCOMPARE(p.volume(), v);
    }
    p.setVolume(-2000);
    QVERIFY(qAbs(output()->volume() - 0.1f) < 1e-6f);
    p.setVolume(-3000);
    QVERIFY(qAbs(output()->volume() - 0.0316228f) < 1e-6f);
    p.setVolume(-4000);
    QCOMPARE(p.volume(), -3000);
    p.setVolume(25);
    QCOMPARE(p.volume(), 0);

    // The volume holds across opening a file.
    p.setVolume(-1234);
    p.open(Tone3);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.1, Patience);
    QCOMPARE(p.volume(), -1234);
    QVERIFY(qAbs(output()->volume() - MediaPlayer::gainForVolume(-1234)) < 1e-6f);
    p.open(Tone10);
    QCOMPARE(p.volume(), -1234);
    QVERIFY(qAbs(output()->volume() - MediaPlayer::gainForVolume(-1234)) < 1e-6f);
}

void TestMediaPlayer::unplayableFilesFailOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text named .mp3") << "text" << QString();
    QTest::newRow("empty file") << "empty" << QString();
    QTest::newRow("missing") << "missing" << QString::fromLocal8Bit(strerror(ENOENT));
    QTest::newRow("folder") << "folder" << QString::fromLocal8Bit(strerror(EISDIR));
    QTest::newRow("fifo") << "fifo" << QString::fromLocal8Bit(strerror(EINVAL));
    QTest::newRow("empty path") << "empty path" << QString::fromLocal8Bit(strerror(ENOENT));
    QTest::newRow("NUL inside the path") << "nul" << QString::fromLocal8Bit(strerror(EINVAL));
    // A link named like a song that leads into /proc: the kernel's state is never played.
    QTest::newRow("pseudo file system") << "proc" << pseudoFileSystemRefusal().description();
}

void TestMediaPlayer::unplayableFilesFailOnce()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray path = QFile::encodeName(dir.filePath("song.mp3"));
    if (kind == "text") {
        QFile f(dir.filePath("song.mp3"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("this is not an mp3 file\n").repeated(200));
    } else if (kind == "empty") {
        QFile f(dir.filePath("song.mp3"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (kind == "folder") {
        QVERIFY(QDir(dir.path()).mkdir("song.mp3"));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);  // opening it must not block
    } else if (kind == "empty path") {
        path.clear();
    } else if (kind == "proc") {
        QCOMPARE(::symlink("/proc/self/status", path.constData()), 0);
    } else if (kind == "nul") {
        // Cut at the NUL, the path would name a real, playable file.
        QVERIFY(QFile::copy(QString::fromUtf8(Tone3), dir.filePath("song.mp3")));
        path += QByteArray("\0.txt", 5);
    }

    MediaPlayer p;
    QSignalSpy failures(&p, &MediaPlayer::failed);
    p.open(path);
    QCOMPARE(failures.count(), 0);  // reported from the event loop, not from inside open()
    QTRY_COMPARE_WITH_TIMEOUT(failures.count(), 1, 5000);
    settle(500);
    QCOMPARE(failures.count(), 1);
    const QString text = failures.at(0).at(0).toString();
    QVERIFY(!text.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(text, expected);
    QCOMPARE(p.playState(), Stopped);
    QCOMPARE(p.duration(), 0.0);
    // The controls may still be pressed afterwards.
    p.play();
    p.pause();
    p.setPosition(1);
    QCOMPARE(p.playState(), Stopped);
    p.stop();
    settle(100);
    QCOMPARE(failures.count(), 1);
}

void TestMediaPlayer::unreadableFileFails()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("locked.mp3");
    QVERIFY(QFile::copy(QString::fromUtf8(Tone3), name));
    QVERIFY(QFile::setPermissions(name, QFileDevice::Permissions()));
    MediaPlayer p;
    QSignalSpy failures(&p, &MediaPlayer::failed);
    // Root ignores permission bits: open as an ordinary user (the file is opened inside open()).
    const bool asRoot = ::geteuid() == 0;
    if (asRoot)
        QCOMPARE(::seteuid(65534), 0);
    p.open(QFile::encodeName(name));
    if (asRoot)
        QCOMPARE(::seteuid(0), 0);
    QTRY_COMPARE_WITH_TIMEOUT(failures.count(), 1, Patience);
    QCOMPARE(failures.at(0).at(0).toString(), QString::fromLocal8Bit(strerror(EACCES)));
    QCOMPARE(p.playState(), Stopped);
}

void TestMediaPlayer::failureOfAnEarlierOpenIsNotReported()
{
    MediaPlayer p;
    QSignalSpy failures(&p, &MediaPlayer::failed);
    p.open("/nonexistent/folder/song.mp3");
    p.open(Tone3);  // the user moved on before the failure was reported
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.2, Patience);
    QCOMPARE(failures.count(), 0);
    QCOMPARE(p.playState(), Playing);
}

void TestMediaPlayer::playsAfterAFailure()
{
    QTemporaryDir dir;
    QFile bad(dir.filePath("bad.mp3"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4096, 'x'));
    bad.close();

    MediaPlayer p;
    QSignalSpy failures(&p, &MediaPlayer::failed);
    p.open(QFile::encodeName(bad.fileName()));
    QTRY_COMPARE_WITH_TIMEOUT(failures.count(), 1, 5000);
    p.open(Tone10);
    QCOMPARE(p.playState(), Playing);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.3, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(p.duration() - 10.0) < 0.15, Patience);
    QCOMPARE(failures.count(), 1);
}

void TestMediaPlayer::nonUtf8NamePlays()
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path()) + "/Caf\xe9 \xff\xfe.mp3";
    QVERIFY(QString::fromUtf8(path).contains(QChar::ReplacementCharacter));
    std::filesystem::copy_file(std::filesystem::path(Tone3.toStdString()),
                               std::filesystem::path(path.toStdString()));
    MediaPlayer p;
    QSignalSpy failures(&p, &MediaPlayer::failed);
    p.open(path);
    QTRY_VERIFY_WITH_TIMEOUT(p.position() > 0.3, Patience);
    QVERIFY(qAbs(p.duration() - 3.0) < 0.15);
    QCOMPARE(p.playState(), Playing);
    QCOMPARE(failures.count(), 0);
    p.stop();
    std::filesystem::remove(std::filesystem::path(path.toStdString()));  // QTemporaryDir cannot
}

QTEST_GUILESS_MAIN(TestMediaPlayer)
#include "tst_mediaplayer.moc"
