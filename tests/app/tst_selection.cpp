// Selecting a row of the MP3 list: loading the file into the panel under the Keep rule, the
// player's label, keyboard moves, the swap and file-name buttons, the double click, and clicks on
// files that cannot be read.

#include "support/EditorTestHelpers.h"

#include "browser/Mp3Files.h"
#include "app/FrmMain.h"
#include "tags/id3v1/Id3v1.h"
#include "browser/GenreBox.h"
#include "player/MediaPlayer.h"
#include "player/PlayerController.h"
#include "player/PlayerPanel.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"

#include <QDesktopServices>
#include <QSignalSpy>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace EditorTest;

// Takes the URLs the program hands to the desktop.
class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
    Q_INVOKABLE void open(const QUrl &url) { urls << url; }
};

class TestSelection : public FolderTestCase {
    Q_OBJECT

private:
    void threeSongs()
    {
        QVERIFY(writeFile(file("a.mp3"), song(900, trailer("Song A", "Artist A", "Album A", "2001", "first", 17))));
        QVERIFY(writeFile(file("b.mp3"), song(900, trailer("Song B", "Artist B", "Album B", "2002", "second", 13))));
        QVERIFY(writeFile(file("c.mp3"), song(900, trailer("Song C", "Artist C", "Album C", "2003", "third", 8))));
    }

private slots:
    void keptArtistAndAlbumTravelFromRowToRow()
    {
        threeSongs();
        Window w(m_folder, Names::Long);
        QSignalSpy loaded(&w->session(), &EditSession::currentFileChanged);
        QSignalSpy proposals(&w->session(), &EditSession::proposalChanged);
        w.clickRow(0);
        QCOMPARE(w->session().SelectedIndex(), 1);
        QCOMPARE(w->session().CurrentPath(), file("a.mp3"));
        w.typeInto(1, QStringLiteral("Kept Artist"));
        QVERIFY(!proposals.isEmpty());
        QCOMPARE(w->session().proposedName(), QStringLiteral("Kept Artist-Song A.MP3"));
        w.typeInto(2, QStringLiteral("Kept Album"));
        w.setKeep(1, true);
        w.setKeep(2, true);

        w.clickRow(1);
        QCOMPARE(w.panel(), QStringList({"Song B", "Kept Artist", "Kept Album", "2002", "second", "Pop"}));
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("Kept Artist-Song B.MP3"));
        w.clickRow(2);
        QCOMPARE(w.panel(), QStringList({"Song C", "Kept Artist", "Kept Album", "2003", "third", "Jazz"}));
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("Kept Artist-Song C.MP3"));
        // Each load tells the window the file and its label.
        QCOMPARE(loaded.count(), 3);
        QCOMPARE(w->session().CurrentPath(), file("c.mp3"));
        QCOMPARE(w->session().CurrentName(), QStringLiteral("Kept Artist-Song C.MP3"));
        QCOMPARE(w->editor().CurrentTag().Artist, QStringLiteral("Artist C"));
        QCOMPARE(w->session().SelectedIndex(), 3);
        QCOMPARE(w.FilOpen->selectedIndex(), 2);
    }

    void keyboardMovesLoadTheFile()
    {
        threeSongs();
        Window w(m_folder);
        w.clickRow(0);
        w.lv1->setFocus();
        QTest::keyClick(w.lv1, Qt::Key_Down);
        QCOMPARE(w->session().CurrentPath(), file("b.mp3"));
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Song B"));
        QCOMPARE(w->session().SelectedIndex(), 2);
        QTest::keyClick(w.lv1, Qt::Key_End);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Song C"));
        QTest::keyClick(w.lv1, Qt::Key_Home);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Song A"));
        QCOMPARE(w->session().SelectedIndex(), 1);
    }

    void thePlayerLabelFollowsClicksUnlessPlaying()
    {
        playableSong("a.mp3", "First Tone");
        playableSong("b.mp3", "Second Tone");
        Window w(m_folder, Names::Long);

        // Stopped: the label shows the clicked file's proposal at once.
        w.clickRow(0);
        QCOMPARE(w.Text4->text(), QStringLiteral("Tone-First Tone.MP3"));
        QCOMPARE(w->session().CurrentName(), QStringLiteral("Tone-First Tone.MP3"));

        QTest::mouseClick(w.Command5, Qt::LeftButton);  // Play
        QTRY_COMPARE_WITH_TIMEOUT(w->player().get().playState(), MediaPlayer::PlayState::Playing, 5000);
        QCOMPARE(w->session().PlayerFile(), file("a.mp3"));

        // Playing: the label keeps the playing song; the clicked file's proposal is remembered.
        w.clickRow(1);
        QCOMPARE(w.Text4->text(), QStringLiteral("Tone-First Tone.MP3"));
        QCOMPARE(w->session().CurrentName(), QStringLiteral("Tone-Second Tone.MP3"));

        // Paused counts as not playing.
        QTest::mouseClick(w.Command3, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w->player().get().playState(), MediaPlayer::PlayState::Paused, 5000);
        w.clickRow(1);
        QCOMPARE(w.Text4->text(), QStringLiteral("Tone-Second Tone.MP3"));
        w->player().get().stop();
    }

    void theHighlightedRowIsTheFileSaved_data()
    {
        QTest::addColumn<QString>("way");
        for (const char *way : {"right click", "middle click", "right double click", "right drag", "left drag",
                                "down key", "control down key", "control space", "control wheel", "shift wheel",
                                "selected by code", "current by code"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }

    // After file A is loaded, something moves at row B: whatever row ends up highlighted is the
    // file the panel shows and Save writes, and no other file changes.
    void theHighlightedRowIsTheFileSaved()
    {
        QFETCH(QString, way);
        threeSongs();
        const QByteArray before[3] = {readFile(file("a.mp3")), readFile(file("b.mp3")), readFile(file("c.mp3"))};
        Window w(m_folder);
        w.clickRow(0);
        Mp3List *list = w.lv1;
        QWidget *view = list->viewport();
        const QPoint a = list->visualRect(list->model()->index(0, 1)).center();
        const QPoint b = list->visualRect(list->model()->index(1, 1)).center();
        const auto drag = [&](Qt::MouseButton button) {
            QTest::mousePress(view, button, {}, a);
            QMouseEvent move(QEvent::MouseMove, b, view->mapToGlobal(b), Qt::NoButton, button, Qt::NoModifier);
            QApplication::sendEvent(view, &move);
            QTest::mouseRelease(view, button, {}, b);
        };
        const auto wheel = [&](Qt::KeyboardModifiers modifiers) {
            QWheelEvent turn(b, view->mapToGlobal(b), {}, {0, -120}, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &turn);
        };
        list->setFocus();
        if (way == "right click")
            QTest::mouseClick(view, Qt::RightButton, {}, b);
        else if (way == "middle click")
            QTest::mouseClick(view, Qt::MiddleButton, {}, b);
        else if (way == "right double click")
            QTest::mouseDClick(view, Qt::RightButton, {}, b);
        else if (way == "right drag")
            drag(Qt::RightButton);
        else if (way == "left drag")
            drag(Qt::LeftButton);
        else if (way == "down key")
            QTest::keyClick(list, Qt::Key_Down);
        else if (way == "control down key")
            QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
        else if (way == "control space")
            QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
        else if (way == "control wheel")
            wheel(Qt::ControlModifier);
        else if (way == "shift wheel")
            wheel(Qt::ShiftModifier);
        else if (way == "selected by code")
            list->selectionModel()->select(list->model()->index(1, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else if (way == "current by code")
            list->setCurrentIndex(list->model()->index(1, 0));

        const int lit = list->selectedRow();
        QVERIFY(lit >= 0);
        QCOMPARE(w.FilOpen->selectedIndex(), lit);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Song ") + QChar('A' + lit));
        w.typeInto(4, QStringLiteral("edited"));
        w.save();
        for (int r = 0; r < 3; ++r) {
            QByteArray expected = before[r];
            if (r == lit)
                expected.replace(900 + Id3v1::CommentOffset, 30, QByteArray("edited").leftJustified(30, ' '));
            QCOMPARE(readFile(file(QByteArray(1, char('a' + r)) + ".mp3")), expected);
        }
    }

    void swapTwiceAndTheFileNameCopy()
    {
        QVERIFY(writeFile(file("song.mp3"), song(300)));
        QVERIFY(writeFile(file("x.mp3"), song(300)));
        QVERIFY(writeFile(file("Long Name Here.MP3"), song(300)));
        Window w(m_folder, Names::Long);
        const int rowOfSong = w.lv1->text(1, 0) == "song.mp3" ? 1 : 2;
        w.clickRow(rowOfSong);
        QTest::mouseClick(w.Cmdfilesong, Qt::LeftButton);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("song"));

        w.typeInto(1, QStringLiteral("Singer"));
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("Singer-song.MP3"));
        QTest::mouseClick(w.Cmdswap, Qt::LeftButton);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Singer"));
        QCOMPARE(w.TxtDispTag[1]->text(), QStringLiteral("song"));
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("song-Singer.MP3"));
        // Kept values move too.
        w.setKeep(0, true);
        QTest::mouseClick(w.Cmdswap, Qt::LeftButton);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("song"));
        QCOMPARE(w.TxtDispTag[1]->text(), QStringLiteral("Singer"));
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("Singer-song.MP3"));
        w.setKeep(0, false);

        w.clickRow(0);  // "Long Name Here.MP3"
        QTest::mouseClick(w.Cmdfilesong, Qt::LeftButton);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Long Name Here"));
        w.clickRow(rowOfSong == 1 ? 2 : 1);  // x.mp3
        QTest::mouseClick(w.Cmdfilesong, Qt::LeftButton);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("x"));

        // No current file after a folder change: the copy empties the box.
        QVERIFY(w.openFolder(m_folder + "/.."));
        QVERIFY(w.openFolder(m_folder));
        w.typeInto(0, QStringLiteral("something"));
        QTest::mouseClick(w.Cmdfilesong, Qt::LeftButton);
        QCOMPARE(w.TxtDispTag[0]->text(), QString());
    }

    void aClickedFileThatVanishedDoesNotBecomeCurrent()
    {
        threeSongs();
        Window w(m_folder);
        w.clickRow(0);
        w.typeInto(4, QStringLiteral("edited"));
        const QStringList panel = w.panel();
        const QString label = w.Text4->text();
        QVERIFY(::unlink(file("b.mp3").constData()) == 0);

        QSignalSpy loaded(&w->session(), &EditSession::currentFileChanged);
        w.clickRow(1);
        QCOMPARE(loaded.count(), 0);
        QCOMPARE(log.texts, QStringList({FileStatus::fromErrno(ENOENT).description()}));
        QCOMPARE(w->session().CurrentPath(), file("a.mp3"));
        QCOMPARE(w->session().SelectedIndex(), 1);
        QCOMPARE(w.FilOpen->selectedIndex(), 0);
        QCOMPARE(w.lv1->selectedRow(), 0);
        QCOMPARE(w.panel(), panel);
        QCOMPARE(w.Text4->text(), label);

        // Saving now writes the edited fields into the file they came from.
        log.clear();
        w.save();
        // The rebuild reads the folder again: the vanished file is no longer listed, and nothing
        // is reported about it.
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(w.lv1->rowCount(), 2);
        QVERIFY(!exists(file("b.mp3")));
        QCOMPARE(readFile(file("a.mp3")).right(128),
                 trailer("Song A", "Artist A", "Album A", "2001", "edited", 17));

        // With no current file (after the save), a failed click leaves none.
        QVERIFY(writeFile(file("d.mp3"), song(10)));
        QVERIFY(w.openFolder(m_folder + "/.."));
        QVERIFY(w.openFolder(m_folder));
        QVERIFY(::unlink(file("d.mp3").constData()) == 0);
        log.clear();
        w.clickRow(2);
        QCOMPARE(log.texts.size(), 1);
        QCOMPARE(w.FilOpen->selectedIndex(), -1);
        QCOMPARE(w.lv1->selectedRow(), -1);
        QCOMPARE(w->session().CurrentPath(), file("a.mp3"));
    }

    void clicksThatSelectNoRowChangeNothing()
    {
        Window w(m_folder);
        QCOMPARE(w.lv1->rowCount(), 0);
        QTest::mouseClick(w.lv1->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        w->editor().lv1_Click();
        QCOMPARE(w->session().SelectedIndex(), 0);
        QCOMPARE(w->session().CurrentPath(), QByteArray());
        QCOMPARE(log.texts, QStringList());
    }

    void aDoubleClickHandsTheCurrentFileToTheDesktop()
    {
        threeSongs();
        UrlSink sink;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &sink, "open");
        Window w(m_folder);
        w.doubleClickRow(2);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(sink.urls, QList<QUrl>({QUrl::fromLocalFile(QString::fromUtf8(file("c.mp3")))}));
        QCOMPARE(w->session().CurrentPath(), file("c.mp3"));
    }
};

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
