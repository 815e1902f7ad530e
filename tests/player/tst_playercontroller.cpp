// The player's frame as the window has it: its buttons, timers and sliders driving the real
// player on real MP3 files, and its time display.

#include "tags/text/Message.h"
#include "player/PlayerController.h"
#include "session/EditSession.h"
#include "player/PlayerPanel.h"
#include "TimeDisplay.h"
#include "player/TransportIcons.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QProcess>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

using enum MediaPlayer::PlayState;

const QByteArray Tone3 = VELMORA_FIXTURES_DIR "/tone3s.mp3";
const QByteArray Tone10 = VELMORA_FIXTURES_DIR "/tone10s.mp3";

// Encodes seconds of sine into an MP3 file the way the build makes its fixtures.
bool makeTone(const QString &mp3, double seconds)
{
    const QString wav = mp3 + QStringLiteral(".wav");
    const auto run = [](const QString &program, const QStringList &arguments) {
        const QString path = QStandardPaths::findExecutable(program);
        if (path.isEmpty())
            return false;
        QProcess child;
        child.start(path, arguments);
        return child.waitForFinished(30000) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    };
    return run(QStringLiteral("sox"), {"-q", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth",
                                       QString::number(seconds), "sine", "440", "vol", "0.3"})
        && run(QStringLiteral("lame"), {"--quiet", "-b", "128", wav, mp3});
}

// The player's frame as the window has it, with its handlers on the real player.
struct Rig {
    PlayerPanel panel;
    PlayerInstance instance;
    EditSession session;
    PlayerController controls{panel, instance, session, nullptr};
    // The panel's controls, found by name as the user's tools find them.
    QToolButton *Command6 = control<QToolButton>("Command6"), *Command5 = control<QToolButton>("Command5"),
                *Command7 = control<QToolButton>("Command7"), *Command3 = control<QToolButton>("Command3"),
                *Command1 = control<QToolButton>("Command1");
    QLineEdit *Text4 = control<QLineEdit>("Text4"), *Text1 = control<QLineEdit>("Text1");
    QProgressBar *pb1 = control<QProgressBar>("pb1");
    QSlider *Slider1 = control<QSlider>("Slider1"), *Slider2 = control<QSlider>("Slider2");
    QString label;          // the label the browser gives with the next file
    QByteArray playerFile;  // as the window hears it
    QStringList messages;
    Message::Handler previous;

    Rig()
    {
        previous = Message::setHandler([this](const QString &text) { messages << text; });
        QObject::connect(&session, &EditSession::playerFileChanged, [this] { playerFile = session.PlayerFile(); });
        panel.show();
    }
    ~Rig()
    {
        Message::setHandler(previous);
        if (instance.exists())
            instance.get().stop();
    }

    template <typename T>
    T *control(const char *name) const
    {
        T *found = panel.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("the panel has no control named %s", name);
        return found;
    }
    MediaPlayer &player() { return instance.get(); }
    // The browser's click on a file: it becomes current with its label.
    void select(const QByteArray &path, const QString &fileLabel)
    {
        session.setCurrentFile(path, FileTags(), 1);
        session.setLabel(fileLabel);
    }
    void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
    // Plays a file through the Play button and waits for the first display tick.
    bool playAndTick(const QByteArray &path)
    {
        select(path, label);
        click(Command5);
        // Generous: loading the first file can take a while on a busy machine.
        return QTest::qWaitFor([&] { return !Text1->text().isEmpty() && pb1->maximum() > 0; }, 6000);
    }
};

}  // namespace

class TestPlayerController : public QObject {
    Q_OBJECT
private slots:
    void playStartsTheFileAndTheDisplay();
    void playLabelFallsBackToTheProposedName();
    void playWithoutSelectionDoesNothing();
    void fileLabelWaitsWhilePlaying();
    void secondPlayOnThePlayingFileChangesNothing();
    void playWhilePausedStartsAgainFromTheBeginning();
    void playAnotherFileSwitches();
    void pauseBlinksAndResumeStops();
    void pauseWithNothingPlayingDoesNothing();
    void stopKeepsTheLastTime();
    void rewindWhilePausedStaysPaused();
    void fastForwardJumpsToTheEnd();
    void fastForwardWhenTheLengthRoundsUp();
    void slider1JumpsWhilePlaying();
    void slidersSetByTheProgramDoNothing();
    void slider1DoesNothingWhilePausedOrStopped();
    void slider1AtTheRightEndStops();
    void slider2SetsTheVolume();
    void sliderMaximumTickFiresDuringPlayback();
    void tickWithNothingLoadedLeavesTheDisplay();
    void timeDisplayShowsEveryTimeWhole();
    void transportIcons();
};

void TestPlayerController::playStartsTheFileAndTheDisplay()
{
    Rig r;
    r.select(Tone10, QStringLiteral("Artist - Ten seconds"));
    r.session.setProposedName(QStringLiteral("ignored"));
    r.player().setVolume(-1200);
    r.Text1->setText(QStringLiteral("7:77"));
    // When the first tick comes is measured, not sampled: a busy machine only makes it later.
    QElapsedTimer clock;
    qint64 firstTickAt = -1;
    QObject::connect(r.controls.Timer1, &QTimer::timeout, &r.panel, [&] {
        if (firstTickAt < 0)
            firstTickAt = clock.elapsed();
    });
    clock.start();
    r.click(r.Command5);

    QCOMPARE(r.player().playState(), Playing);
    QCOMPARE(r.playerFile, Tone10);
    QCOMPARE(r.Text4->text(), QStringLiteral("Artist - Ten seconds"));
    QCOMPARE(r.Slider2->value(), 1200);
    QCOMPARE(r.Text1->text(), QString());
    QVERIFY(!r.Text1->isHidden());
    QVERIFY(r.controls.Timer1->isActive());
    QCOMPARE(r.controls.Timer1->interval(), 1000);
    QVERIFY(!r.controls.Timer2->isActive());
    QCOMPARE(r.pb1->value(), 0);

    // The first tick one second later fills the display, then it ticks every 300 ms.
    QTRY_VERIFY_WITH_TIMEOUT(!r.Text1->text().isEmpty(), 6000);
    QVERIFY2(firstTickAt >= 950, qPrintable(QString::number(firstTickAt)));
    QCOMPARE(r.controls.Timer1->interval(), 300);
    QCOMPARE(r.pb1->maximum(), 10);
    QCOMPARE(r.Slider1->maximum(), 10);
    QVERIFY(r.controls.Timer3->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(r.Text1->text(), QStringLiteral("0:08"), 5000);
    QCOMPARE(r.pb1->value(), 2);
    QCOMPARE(r.Slider1->value(), 2);
    QVERIFY(r.messages.isEmpty());
}

void TestPlayerController::playLabelFallsBackToTheProposedName()
{
    Rig r;
    r.select(Tone3, QString());
    r.session.setProposedName(QStringLiteral("Proposed Name.mp3"));
    r.click(r.Command5);
    QCOMPARE(r.Text4->text(), QStringLiteral("Proposed Name.mp3"));
}

void TestPlayerController::playWithoutSelectionDoesNothing()
{
    Rig r;
    r.click(r.Command5);
    QVERIFY(r.instance.exists());  // every handler makes sure the player exists
    QCOMPARE(r.player().playState(), Stopped);
    QVERIFY(!r.controls.Timer1->isActive());
    QCOMPARE(r.Text1->text(), QStringLiteral("0:00"));
    QVERIFY(r.playerFile.isEmpty());
}

void TestPlayerController::fileLabelWaitsWhilePlaying()
{
    Rig r;
    r.select(QByteArray(), QStringLiteral("First.mp3"));
    QCOMPARE(r.Text4->text(), QStringLiteral("First.mp3"));
    QVERIFY(!r.instance.exists());  // asking whether a file plays starts no player

    r.label = QStringLiteral("Playing.mp3");
    QVERIFY(r.playAndTick(Tone10));
    r.select(Tone3, QStringLiteral("Second.mp3"));
    QCOMPARE(r.Text4->text(), QStringLiteral("Playing.mp3"));

    r.click(r.Command3);  // paused: the label follows the list again
    r.select(Tone3, QStringLiteral("Third.mp3"));
    QCOMPARE(r.Text4->text(), QStringLiteral("Third.mp3"));
}

void TestPlayerController::secondPlayOnThePlayingFileChangesNothing()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    QTRY_VERIFY_WITH_TIMEOUT(r.player().position() > 1.4, 2000);
    const QString shown = r.Text1->text();
    const double before = r.player().position();
    r.click(r.Command5);
    QCOMPARE(r.Text1->text(), shown);
    QCOMPARE(r.controls.Timer1->interval(), 300);
    QVERIFY(r.player().position() >= before);  // no restart
    QTest::qWait(200);
    QVERIFY(r.player().position() > before);
}

void TestPlayerController::playWhilePausedStartsAgainFromTheBeginning()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.player().setPosition(6);
    QTRY_VERIFY_WITH_TIMEOUT(r.player().position() > 6.1, 2000);
    r.click(r.Command3);
    QVERIFY(r.controls.Timer2->isActive());
    r.click(r.Command5);
    QCOMPARE(r.player().playState(), Playing);
    QVERIFY(!r.controls.Timer2->isActive());
    QVERIFY(!r.Text1->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(r.player().position() > 0.2, 3000);
    QVERIFY(r.player().position() < 3.0);
}

void TestPlayerController::playAnotherFileSwitches()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.select(Tone3, QString());
    r.click(r.Command5);
    QCOMPARE(r.playerFile, Tone3);
    QTRY_COMPARE_WITH_TIMEOUT(r.pb1->maximum(), 3, 3000);
    QCOMPARE(r.Slider1->maximum(), 3);
}

void TestPlayerController::pauseBlinksAndResumeStops()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.click(r.Command3);
    QCOMPARE(r.player().playState(), Paused);
    QVERIFY(r.controls.Timer2->isActive());
    QVERIFY(r.controls.Timer1->isActive());  // the display stays current while paused
    QTest::qWait(400);
    const QString held = r.Text1->text();

    // Blinks every 500 ms and keeps the same time.
    int changes = 0;
    bool hidden = r.Text1->isHidden();
    for (int i = 0; i < 24; ++i) {
        QTest::qWait(50);
        if (r.Text1->isHidden() != hidden) {
            hidden = !hidden;
            ++changes;
        }
        QCOMPARE(r.Text1->text(), held);
    }
    QVERIFY2(changes >= 2, qPrintable(QString::number(changes)));

    r.click(r.Command3);
    QCOMPARE(r.player().playState(), Playing);
    QVERIFY(!r.controls.Timer2->isActive());
    QVERIFY(!r.Text1->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(r.Text1->text() != held, 2000);  // counting down again
    QVERIFY(!r.Text1->isHidden());
}

void TestPlayerController::pauseWithNothingPlayingDoesNothing()
{
    Rig r;
    r.click(r.Command3);
    QCOMPARE(r.player().playState(), Stopped);
    QVERIFY(!r.controls.Timer2->isActive());

    QVERIFY(r.playAndTick(Tone3));
    r.click(r.Command1);
    r.click(r.Command3);
    QCOMPARE(r.player().playState(), Stopped);
    QVERIFY(!r.controls.Timer2->isActive());
}

void TestPlayerController::stopKeepsTheLastTime()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.click(r.Command3);  // paused and blinking
    QTRY_VERIFY_WITH_TIMEOUT(r.Text1->isHidden(), 1000);
    const QString last = r.Text1->text();
    r.click(r.Command1);
    QCOMPARE(r.player().playState(), Stopped);
    QVERIFY(!r.controls.Timer1->isActive());
    QVERIFY(!r.controls.Timer2->isActive());
    QVERIFY(!r.Text1->isHidden());
    QCOMPARE(r.Text1->text(), last);
    QCOMPARE(r.pb1->value(), 0);
    QCOMPARE(r.Slider1->value(), 0);
    QCOMPARE(r.playerFile, Tone10);  // the last played file stays protected
    // Neither the display tick nor the blink tick runs after Stop.
    QTest::qWait(800);
    QCOMPARE(r.Text1->text(), last);
    QVERIFY(!r.Text1->isHidden());
    QCOMPARE(r.Slider1->value(), 0);
}

void TestPlayerController::rewindWhilePausedStaysPaused()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.player().setPosition(5);
    r.click(r.Command3);
    r.click(r.Command6);
    QCOMPARE(r.player().playState(), Paused);
    QVERIFY(r.player().position() < 0.1);
    QTest::qWait(600);
    QCOMPARE(r.player().playState(), Paused);
    QVERIFY(r.player().position() < 0.1);
    // The next display tick shows the whole length again.
    QTRY_COMPARE_WITH_TIMEOUT(r.Text1->text(), QStringLiteral("0:10"), 1000);
    QCOMPARE(r.Slider1->value(), 0);
}

void TestPlayerController::fastForwardJumpsToTheEnd()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.click(r.Command7);
    QVERIFY(r.player().position() > 9.9);
    QTRY_COMPARE_WITH_TIMEOUT(r.player().playState(), Stopped, 2000);  // the file ran out
    QVERIFY(r.messages.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(r.Text1->text(), QStringLiteral("0:00"), 1000);
}

void TestPlayerController::fastForwardWhenTheLengthRoundsUp()
{
    // 6.6 s rounds to 7 s, a little past the end: the jump must still end the file rather
    // than be refused by the decoder, which starts the file again from the beginning.
    QTemporaryDir dir;
    const QString song = dir.filePath(QStringLiteral("short.mp3"));
    QVERIFY(makeTone(song, 6.6));
    Rig r;
    QVERIFY(r.playAndTick(QFile::encodeName(song)));
    QCOMPARE(r.pb1->maximum(), 7);
    r.click(r.Command7);
    QElapsedTimer clock;
    clock.start();
    while (r.player().playState() != Stopped && clock.elapsed() < 4000) {
        QVERIFY2(r.player().position() > 6.0, qPrintable(QString::number(r.player().position())));
        QTest::qWait(20);
    }
    QCOMPARE(r.player().playState(), Stopped);
    QVERIFY(r.messages.isEmpty());
}

void TestPlayerController::slider1JumpsWhilePlaying()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.Slider1->setSliderPosition(6);  // what a drag does
    QCOMPARE(r.Slider1->value(), 6);
    QCOMPARE(r.player().playState(), Playing);
    QVERIFY(qAbs(r.player().position() - 6.0) < 0.1);
    QVERIFY(r.controls.Timer1->isActive());
    QVERIFY(!r.controls.Timer2->isActive());
    QCOMPARE(r.panel.focusWidget(), r.Command1);
    QTRY_VERIFY_WITH_TIMEOUT(r.player().position() > 6.2, 2000);
    QVERIFY(r.player().position() < 8.0);

    // And by the keyboard.
    r.Slider1->setFocus();
    QTest::keyClick(r.Slider1, Qt::Key_Home);
    QVERIFY(r.player().position() < 0.1);
    QTRY_VERIFY_WITH_TIMEOUT(r.player().position() > 0.1, 2000);
    QVERIFY(r.player().position() < 2.0);
    QCOMPARE(r.player().playState(), Playing);
}

void TestPlayerController::slidersSetByTheProgramDoNothing()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.player().setVolume(-300);
    const double before = r.player().position();
    r.Slider1->setValue(8);
    r.Slider2->setValue(2500);
    QVERIFY(r.player().position() < before + 0.5);
    QCOMPARE(r.player().volume(), -300);
    QTest::qWait(200);
    QVERIFY(r.player().position() < 4.0);
}

void TestPlayerController::slider1DoesNothingWhilePausedOrStopped()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.click(r.Command3);
    QTest::qWait(200);
    const double held = r.player().position();
    r.Slider1->setSliderPosition(7);
    QCOMPARE(r.player().playState(), Paused);
    QCOMPARE(r.player().position(), held);
    QVERIFY(r.controls.Timer2->isActive());
    // The next display tick puts the slider back where the file is.
    QTRY_COMPARE_WITH_TIMEOUT(r.Slider1->value(), qRound(held), 1000);

    r.click(r.Command1);
    r.Slider1->setSliderPosition(5);
    QCOMPARE(r.player().playState(), Stopped);
    QVERIFY(!r.controls.Timer1->isActive());
    QVERIFY(!r.controls.Timer2->isActive());

    // Nothing selected: nothing happens, even with the file playing.
    Rig fresh;
    QVERIFY(fresh.playAndTick(Tone10));
    fresh.select(QByteArray(), QString());
    const double at = fresh.player().position();
    fresh.Slider1->setSliderPosition(7);
    QVERIFY(fresh.player().position() < at + 0.5);
}

void TestPlayerController::slider1AtTheRightEndStops()
{
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    r.Slider1->setFocus();
    QTest::keyClick(r.Slider1, Qt::Key_End);
    QCOMPARE(r.Slider1->value(), 10);
    QCOMPARE(r.player().playState(), Stopped);
    QCOMPARE(r.pb1->value(), r.pb1->maximum());
    QVERIFY(r.controls.Timer1->isActive());  // the display goes on showing what the player reports
    QVERIFY(!r.controls.Timer2->isActive());
    QTest::qWait(1000);
    QCOMPARE(r.player().playState(), Stopped);
    QVERIFY(r.messages.isEmpty());
}

void TestPlayerController::slider2SetsTheVolume()
{
    Rig r;  // works before any file was played
    r.Slider2->setFocus();
    QTest::keyClick(r.Slider2, Qt::Key_End);
    QCOMPARE(r.Slider2->value(), 3000);
    QCOMPARE(r.player().volume(), -3000);
    QCOMPARE(r.panel.focusWidget(), r.Command1);
    r.Slider2->setFocus();
    QTest::keyClick(r.Slider2, Qt::Key_Home);
    QCOMPARE(r.player().volume(), 0);
    r.Slider2->setSliderPosition(1750);
    QCOMPARE(r.player().volume(), -1750);

    // Play shows the volume the player holds.
    r.Slider2->setValue(0);
    QVERIFY(r.playAndTick(Tone3));
    QCOMPARE(r.Slider2->value(), 1750);
    QCOMPARE(r.player().volume(), -1750);
}

void TestPlayerController::sliderMaximumTickFiresDuringPlayback()
{
    // The display tick switches the maximum tick on every 300 ms; it must still fire every
    // 500 ms rather than being pushed back forever.
    Rig r;
    QVERIFY(r.playAndTick(Tone10));
    QSignalSpy fired(r.controls.Timer3, &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(fired.count() >= 2, 4000);
    // And it settles the slider's maximum to the length.
    r.Slider1->setMaximum(99);
    QTRY_COMPARE_WITH_TIMEOUT(r.Slider1->maximum(), 10, 1000);
}

void TestPlayerController::tickWithNothingLoadedLeavesTheDisplay()
{
    // Before the length is known there is nothing sensible to show: no "0:00" flash, no
    // empty progress range (a busy indicator), no negative time.
    Rig r;
    r.Text1->setText(QString());
    r.pb1->setRange(0, 10);
    r.pb1->setValue(4);
    r.controls.Timer1_Timer();
    QCOMPARE(r.Text1->text(), QString());
    QCOMPARE(r.pb1->maximum(), 10);
    QCOMPARE(r.pb1->value(), 4);
    QCOMPARE(r.controls.Timer1->interval(), 300);
    r.controls.Timer3_Timer();
    QCOMPARE(r.Slider1->maximum(), 250);
    QVERIFY(!r.controls.Timer3->isActive());
}

void TestPlayerController::timeDisplayShowsEveryTimeWhole()
{
    // From "0:00" to the longest time the display shows, every text is drawn whole inside the
    // box, which keeps its place and size; times below ten minutes keep the full size.
    PlayerPanel panel;
    QLineEdit *time = panel.findChild<QLineEdit *>(QStringLiteral("Text1"));
    QVERIFY(time);
    const QRect box = time->geometry();
    for (const char *text : {"0:00", "9:59", "10:00", "59:59", "99:59", "100:00", "999:59"}) {
        panel.showTime(QLatin1String(text));
        QCOMPARE(time->geometry(), box);
        QVERIFY2(TimeDisplay::showsWhole(time), text);
        QVERIFY2(time->font().pointSizeF() >= 16, text);  // still easy to read
        if (qstrlen(text) == 4)
            QCOMPARE(time->font().pointSizeF(), PlayerPanel::TimePointSize);
    }
}

void TestPlayerController::transportIcons()
{
    QList<QImage> images;
    for (TransportButton b : {TransportButton::Rewind, TransportButton::Play, TransportButton::FastForward,
                              TransportButton::Pause, TransportButton::Stop}) {
        const QIcon icon = transportIcon(b);
        QVERIFY(!icon.isNull());
        const QImage image = icon.pixmap(28, 28).toImage();
        QCOMPARE(image.size(), QSize(28, 28));
        QCOMPARE(QColor(image.pixel(0, 0)), QColor(192, 192, 192));
        QCOMPARE(QColor(image.pixel(27, 27)), QColor(192, 192, 192));
        int dark = 0;
        for (int y = 0; y < 28; ++y)
            for (int x = 0; x < 28; ++x)
                dark += qGray(image.pixel(x, y)) < 64;
        QVERIFY2(dark > 40, qPrintable(QString::number(dark)));
        for (const QImage &other : images)
            QVERIFY(other != image);  // five different pictures
        images << image;
    }
}

QTEST_MAIN(TestPlayerController)
#include "tst_playercontroller.moc"
