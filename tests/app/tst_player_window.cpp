// The player in the real main window: a row clicked in the MP3 list and played with the window's
// own buttons, the display following, the save guard on the file last played, and the end of
// the window stopping playback.

#include "support/EditorTestHelpers.h"

#include "browser/TagEditor.h"

#include "app/FrmMain.h"
#include "player/MediaPlayer.h"
#include "player/PlayerController.h"
#include "player/PlayerPanel.h"
#include "browser/Mp3List.h"
#include "player/TimeDisplay.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace EditorTest;

// How long a wait on the real player may take before it counts as a failure. Only a failing
// test waits this long; a busy machine can take seconds to load a file or catch up after a jump.
constexpr int Patience = 8000;

class TestPlayerWindow : public FolderTestCase {
    Q_OBJECT

private:
    static void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Plays the given row, which must list the named file.
    void playRow(Window &w, int row, const QByteArray &name)
    {
        w.clickRow(row);
        QCOMPARE(w->session().CurrentPath(), file(name));
        click(w.Command5);
    }

private slots:
    void init()
    {
        FolderTestCase::init();
        playableSong("a.mp3", "Ten", "tone10s.mp3");
        playableSong("b.mp3", "Three", "tone3s.mp3");
    }

    void playPauseAndStopFromTheWindow()
    {
        Window w(m_folder, Names::Long);
        w.clickRow(0);
        QCOMPARE(w->session().CurrentPath(), file("a.mp3"));
        const QString label = w->session().CurrentName();

        click(w.Command5);
        MediaPlayer &player = w->player().get();
        QCOMPARE(player.playState(), MediaPlayer::PlayState::Playing);
        QCOMPARE(w->session().PlayerFile(), file("a.mp3"));
        QCOMPARE(w.Text4->text(), label);
        QCOMPARE(w.Text1->text(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(w.pb1->maximum(), 10, Patience);
        QCOMPARE(w.Slider1->maximum(), 10);
        QTRY_COMPARE_WITH_TIMEOUT(w.Text1->text(), QStringLiteral("0:08"), 5000);

        click(w.Command3);
        QCOMPARE(player.playState(), MediaPlayer::PlayState::Paused);
        QVERIFY(w->playerController().Timer2->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(w.Text1->isHidden(), 1000);
        click(w.Command3);
        QCOMPARE(player.playState(), MediaPlayer::PlayState::Playing);
        QVERIFY(!w.Text1->isHidden());

        click(w.Command1);
        QCOMPARE(player.playState(), MediaPlayer::PlayState::Stopped);
        QVERIFY(!w->playerController().Timer1->isActive());
        QCOMPARE(w.pb1->value(), 0);
        QCOMPARE(w.Slider1->value(), 0);
        QVERIFY(!w.Text1->text().isEmpty());
        QVERIFY(log.texts.isEmpty());
    }

    void timeOfALongFileReadsWhole()
    {
        // More than ten minutes to play: the display shows every digit of the time.
        playableSong("long.mp3", "Long", "tone610s.mp3");
        Window w(m_folder);
        playRow(w, 2, "long.mp3");
        QTRY_VERIFY_WITH_TIMEOUT(w.Text1->text().startsWith(QStringLiteral("10:0")), Patience);
        QVERIFY(TimeDisplay::showsWhole(w.Text1));
        QVERIFY(log.texts.isEmpty());
    }

    void slidersOfTheWindow()
    {
        Window w(m_folder);
        w.clickRow(0);
        click(w.Command5);
        MediaPlayer &player = w->player().get();
        QTRY_COMPARE_WITH_TIMEOUT(w.Slider1->maximum(), 10, Patience);

        w.Slider1->setSliderPosition(7);  // a drag to 7 seconds
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 7.1, 2000);
        QCOMPARE(player.playState(), MediaPlayer::PlayState::Playing);
        QTRY_COMPARE_WITH_TIMEOUT(w.Text1->text(), QStringLiteral("0:02"), 2000);

        w.Slider2->setSliderPosition(3000);
        QCOMPARE(player.volume(), -3000);
        w.Slider2->setSliderPosition(0);
        QCOMPARE(player.volume(), 0);

        click(w.Command7);  // to the end: the file runs out
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), MediaPlayer::PlayState::Stopped, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(w.Text1->text(), QStringLiteral("0:00"), 1500);
        QVERIFY(log.texts.isEmpty());
    }

    void lastPlayedFileCannotBeSavedUntilAnotherPlays()
    {
        Window w(m_folder);
        const QByteArray before = readFile(file("a.mp3"));

        w.clickRow(0);
        click(w.Command5);
        QTRY_VERIFY_WITH_TIMEOUT(w->player().get().position() > 0.2, Patience);
        click(w.Command1);

        // Stopped, yet still the file last played.
        w.clickRow(0);
        w.typeInto(0, QStringLiteral("Renamed"));
        w.save();
        QCOMPARE(log.texts, QStringList({QStringLiteral("Cannot Edit MP3 While Playing")}));
        QCOMPARE(readFile(file("a.mp3")), before);

        // Another file played: the first one may be saved again.
        log.clear();
        w.clickRow(1);
        click(w.Command5);
        QCOMPARE(w->session().PlayerFile(), file("b.mp3"));
        w.clickRow(0);
        w.typeInto(0, QStringLiteral("Renamed"));
        w.save();
        QCOMPARE(log.texts, QStringList());
        const QByteArray after = readFile(file("a.mp3"));
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.right(128).mid(3, 7), QByteArray("Renamed"));
        QCOMPARE(after.left(before.size() - 128), before.left(before.size() - 128));
    }

    void unplayableRowReportsAndRests()
    {
        QVERIFY(writeFile(file("c.mp3"), song(20000, trailer("Not audio", "Nobody"))));
        Window w(m_folder);
        w.clickRow(2);
        QCOMPARE(w->session().CurrentPath(), file("c.mp3"));
        click(w.Command5);
        QTRY_COMPARE_WITH_TIMEOUT(log.texts.size(), 1, 5000);
        QCOMPARE(w->player().get().playState(), MediaPlayer::PlayState::Stopped);
        const PlayerController &controller = w->playerController();
        QVERIFY(!controller.Timer1->isActive() && !controller.Timer2->isActive() && !controller.Timer3->isActive());
        QCOMPARE(w.Text1->text(), QStringLiteral("0:00"));
        QVERIFY(!w.Text1->isHidden());
        QCOMPARE(w.pb1->value(), 0);
        QTest::qWait(1200);
        QCOMPARE(log.texts.size(), 1);  // reported once

        // Nothing plays it, so its tag can be mended.
        w.clickRow(2);
        w.typeInto(0, QStringLiteral("Mended"));
        w.save();
        QCOMPARE(log.texts.size(), 1);
        QCOMPARE(readFile(file("c.mp3")).right(128).mid(3, 6), QByteArray("Mended"));

        // The next row plays.
        w.clickRow(0);
        click(w.Command5);
        QTRY_VERIFY_WITH_TIMEOUT(!w.Text1->text().isEmpty() && w.Text1->text() != "0:00", Patience);
        QCOMPARE(log.texts.size(), 1);
    }

    void rowWithANameThatIsNotUtf8Plays()
    {
        playableSong("caf\xe9.mp3", "Latin-1 name", "tone3s.mp3");
        Window w(m_folder);
        playRow(w, 2, "caf\xe9.mp3");
        QTRY_COMPARE_WITH_TIMEOUT(w.pb1->maximum(), 3, Patience);
        QVERIFY(w->player().get().position() > 0.2);
        QCOMPARE(log.texts, QStringList());
    }

    void endOfTheWindowStopsPlayback()
    {
        Window w(m_folder);
        w.clickRow(0);
        click(w.Command5);
        QTRY_VERIFY_WITH_TIMEOUT(w->player().get().position() > 0.2, Patience);
        w->Form_Terminate();
        QCOMPARE(w->player().get().playState(), MediaPlayer::PlayState::Stopped);
        QTest::qWait(300);
        const double at = w->player().get().position();
        QTest::qWait(300);
        QCOMPARE(w->player().get().position(), at);
    }
};

QTEST_MAIN(TestPlayerWindow)
#include "tst_player_window.moc"
