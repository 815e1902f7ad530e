// Save Tags through the real window, with the bytes on disk checked: what the panel writes (the
// genre byte, the Keep boxes across saves), the new name, what a refused rename leaves, the list
// and panel after a save, and the guard against the file last played. What a save does to a file
// (appending, read-only files, a full disk, refused names): tst_tagcore.

#include "support/EditorTestHelpers.h"

#include "browser/Mp3Files.h"
#include "app/FrmMain.h"
#include "browser/GenreBox.h"
#include "player/MediaPlayer.h"
#include "player/PlayerController.h"
#include "player/PlayerPanel.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>


using namespace EditorTest;

class TestSaving : public FolderTestCase {
    Q_OBJECT

private slots:
    void aTaggedFileKeepsItsLengthAndOnlyTheTrailerChanges()
    {
        const QByteArray old = song(4872, trailer("Old", "Old Artist", "Old Album", "1980", "old", 17));
        QVERIFY(writeFile(file("t.mp3"), old));
        QVERIFY(writeFile(file("u.mp3"), song(300, trailer("Other"))));
        Window w(m_folder);
        QVERIFY(w.clickFile("t.mp3"));
        w.typeInto(0, QStringLiteral("New Title"));
        w.typeInto(1, QStringLiteral("New Artist"));
        w.typeInto(2, QStringLiteral("New Album"));
        w.typeInto(3, QStringLiteral("2024"));
        w.typeInto(4, QStringLiteral("new comment"));
        w.pickGenre(QStringLiteral("Jazz"));
        w.save();
        QCOMPARE(log.texts, QStringList());

        const QByteArray now = readFile(file("t.mp3"));
        QCOMPARE(now.size(), 5000);
        QCOMPARE(now.left(4872), old.left(4872));
        QCOMPARE(now.right(128), trailer("New Title", "New Artist", "New Album", "2024", "new comment", 8));

        // The list is rebuilt, the panel emptied, the file deselected; the current path stays.
        QCOMPARE(w.row(0), QStringList({"t.mp3", "New Title", "New Artist", "New Album", "2024", "new comment", "Jazz"}));
        QCOMPARE(w.panel(), QStringList(6, QString()));
        QCOMPARE(w.FilOpen->selectedIndex(), -1);
        QCOMPARE(w->session().SelectedIndex(), 1);
        QCOMPARE(w->session().CurrentPath(), file("t.mp3"));
    }

    // Another program writes the tag after the click, within the same tick of the file system's
    // clock (same size, same times): Save refuses, says so, and writes nothing over that change.
    void aTagChangedAfterTheClickIsNotWrittenOver()
    {
        QVERIFY(writeFile(file("t.mp3"), song(1000, trailer("Old", "Artist"))));
        Window w(m_folder);
        QVERIFY(w.clickFile("t.mp3"));
        const TestFiles::FileTimes times = timesOf(file("t.mp3"));
        const QByteArray theirs = song(1000, trailer("Theirs", "Artist"));
        QVERIFY(writeFile(file("t.mp3"), theirs));
        QVERIFY(setTimes(file("t.mp3"), times));
        w.typeInto(0, QStringLiteral("Mine"));
        w.save();
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts.front().contains(QStringLiteral("changed on disk")) &&
                     log.texts.front().contains(QStringLiteral("Select the file again")),
                 qPrintable(log.texts.front()));
        QCOMPARE(readFile(file("t.mp3")), theirs);
    }

    void theGenreByteWritten()
    {
        QVERIFY(writeFile(file("a.mp3"), song(1000, trailer("Odd genre", "", "", "", "", 200))));
        QVERIFY(writeFile(file("b.mp3"), song(1000, trailer("Rock file", "", "", "", "", 17))));
        QVERIFY(writeFile(file("c.mp3"), song(1000, trailer("Picked", "", "", "", "", 17))));
        Window w(m_folder);

        // "Unknown" shown after reading 200 writes 200 again.
        QVERIFY(w.clickFile("a.mp3"));
        QCOMPARE(w.CmbGenre->text(), QStringLiteral("Unknown"));
        w.save();
        QCOMPARE(quint8(readFile(file("a.mp3")).back()), quint8(200));

        // An emptied box writes 255.
        QVERIFY(w.clickFile("b.mp3"));
        w.CmbGenre->setText(QString());
        w.save();
        QCOMPARE(quint8(readFile(file("b.mp3")).back()), quint8(255));

        // A genre picked from the list writes its own number.
        QVERIFY(w.clickFile("c.mp3"));
        w.pickGenre(QStringLiteral("Hardcore"));
        w.save();
        QCOMPARE(quint8(readFile(file("c.mp3")).back()), quint8(129));

        // A name typed by hand, not confirmed with Enter, writes the genre it names.
        QVERIFY(w.clickFile("b.mp3"));
        w.CmbGenre->lineEdit()->setFocus();
        w.CmbGenre->lineEdit()->selectAll();
        QTest::keyClicks(w.CmbGenre->lineEdit(), "Jazz");
        QCOMPARE(w.CmbGenre->text(), QStringLiteral("Jazz"));
        w.save();
        QCOMPARE(quint8(readFile(file("b.mp3")).back()), quint8(8));

        // A kept genre that the reader showed for an earlier file writes the name shown, not the
        // genre of the file read last.
        QVERIFY(w.clickFile("c.mp3"));
        QCOMPARE(w.CmbGenre->text(), QStringLiteral("Hardcore"));
        w.setKeep(5, true);
        QVERIFY(w.clickFile("b.mp3"));
        QCOMPARE(w.CmbGenre->text(), QStringLiteral("Hardcore"));
        w.save();
        QCOMPARE(quint8(readFile(file("b.mp3")).back()), quint8(129));
    }

    void spacesAndKeptFieldsAcrossSaves()
    {
        QVERIFY(writeFile(file("1.mp3"), song(600)));
        QVERIFY(writeFile(file("2.mp3"), song(600, trailer("Second", "Someone", "Their Album", "1999"))));
        Window w(m_folder);
        QVERIFY(w.clickFile("1.mp3"));
        w.typeInto(0, QStringLiteral("  Intro"));
        w.typeInto(2, QStringLiteral("Shared Album"));
        w.typeInto(3, QStringLiteral("2010"));
        w.setKeep(2, true);
        w.setKeep(3, true);
        w.save();
        QCOMPARE(readFile(file("1.mp3")).right(128), trailer("  Intro", "", "Shared Album", "2010", "", 255));
        QCOMPARE(w.panel(), QStringList({"", "", "Shared Album", "2010", "", ""}));

        QVERIFY(w.clickFile("2.mp3"));
        QCOMPARE(w.panel(), QStringList({"Second", "Someone", "Shared Album", "2010", "", "Blues"}));
        w.save();
        QCOMPARE(readFile(file("2.mp3")).right(128), trailer("Second", "Someone", "Shared Album", "2010", "", 0));

        // Read back with the leading spaces.
        QVERIFY(w.clickFile("1.mp3"));
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("  Intro"));
    }

    void renamesThatWork()
    {
        QVERIFY(writeFile(file("track01.mp3"), song(700, trailer("Morning Walk", "Red Kettle"))));
        QVERIFY(writeFile(file("track02.mp3"), song(700, trailer("Two"))));
        QVERIFY(writeFile(file("track03.mp3"), song(700, trailer("Three"))));
        const QByteArray raw("r\xe9sum\xe9.mp3");
        QVERIFY(writeFile(file(raw), song(700)));
        Window w(m_folder, Names::Long);

        // The proposal, ".MP3" included.
        QVERIFY(w.clickFile("track01.mp3"));
        w.setRename(true);
        w.save();
        QCOMPARE(log.texts, QStringList());
        QVERIFY(!exists(file("track01.mp3")));
        QCOMPARE(readFile(file("Red Kettle-Morning Walk.MP3")).right(128), trailer("Morning Walk", "Red Kettle", "", "", "", 0));
        QVERIFY(!w.ChkRenFile->isChecked());
        QVERIFY(w.row(0)[0] == "Red Kettle-Morning Walk.MP3");
        QCOMPARE(w.lv1->rowCount(), 4);
        QCOMPARE(w->session().CurrentPath(), file("track01.mp3"));  // until the next selection

        // A typed name ending in ".mp3" in any case keeps it; one without gets ".MP3".
        QVERIFY(w.clickFile("track02.mp3"));
        w.setRename(true);
        w.TxtNewFilename->setText(QStringLiteral("Song.mp3"));
        w.save();
        QVERIFY(exists(file("Song.mp3")));
        QVERIFY(!exists(file("Song.mp3.MP3")));
        QVERIFY(w.clickFile("track03.mp3"));
        w.setRename(true);
        w.TxtNewFilename->setText(QStringLiteral("Plain"));
        w.save();
        QVERIFY(exists(file("Plain.MP3")));

        // A name that is not UTF-8, saved under its own proposal, keeps its bytes.
        QVERIFY(w.clickFile(raw));
        QCOMPARE(w.TxtNewFilename->text(), QString::fromUtf8(raw));
        w.setRename(true);
        w.save();
        QCOMPARE(log.texts, QStringList());
        QVERIFY(exists(file(raw)));
        QCOMPARE(readFile(file(raw)).size(), 828);
        QCOMPARE(namesIn(m_folder).size(), 4);
    }

    void aNulPaddedTagIsRenamedByItsTextAndWrittenBackAsRead()
    {
        const QByteArray before = song(700, nulPaddedTrailer());
        QVERIFY(writeFile(file("track07.mp3"), before));
        Window w(m_folder, Names::Long);
        QVERIFY(w.clickFile("track07.mp3"));
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("The Artist-Song.MP3"));
        w.setRename(true);
        w.save();
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(namesIn(m_folder), QStringList({"The Artist-Song.MP3"}));
        QCOMPARE(readFile(file("The Artist-Song.MP3")), before);
    }

    // Which names are refused is the core's (tst_tagcore); here, what the window does then.
    void aRefusedRenameKeepsThePanelAndTheListForTheNextTry_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("message");
        QTest::newRow("taken") << QStringLiteral("taken.mp3") << FileStatus::fromErrno(EEXIST).description();
        QTest::newRow("control characters")
            << QStringLiteral("a\tb\x1B")
            << QStringLiteral("The new file name \"a\\tb\\x1B.MP3\" cannot be used: a file name cannot contain control "
                              "characters (such as a tab or a line break).");
    }

    void aRefusedRenameKeepsThePanelAndTheListForTheNextTry()
    {
        QFETCH(QString, newName);
        QFETCH(QString, message);
        const QByteArray taken = song(900, trailer("Taken", "Keep me"));
        QVERIFY(writeFile(file("taken.mp3"), taken));
        QVERIFY(writeFile(file("mine.mp3"), song(900, trailer("Mine"))));
        Window w(m_folder);
        QVERIFY(w.clickFile("mine.mp3"));
        w.typeInto(1, QStringLiteral("Written"));
        w.setRename(true);
        w.TxtNewFilename->setText(newName);
        const QStringList rows = {w.lv1->text(0, 2), w.lv1->text(1, 2)};
        w.save();

        QCOMPARE(log.texts, QStringList({message}));
        // The tag is written, nothing else moved, and the user can correct the name.
        QCOMPARE(readFile(file("mine.mp3")).right(128), trailer("Mine", "Written", "", "", "", 0));
        QCOMPARE(readFile(file("taken.mp3")), taken);
        QCOMPARE(namesIn(m_folder), QStringList({"mine.mp3", "taken.mp3"}));
        QVERIFY(w.ChkRenFile->isChecked());
        QCOMPARE(QStringList({w.lv1->text(0, 2), w.lv1->text(1, 2)}), rows);  // not rebuilt
        QCOMPARE(w.TxtDispTag[1]->text(), QStringLiteral("Written"));

        // The corrected name goes through: the first save's own write is no change by another.
        log.clear();
        w.TxtNewFilename->setText(QStringLiteral("free.mp3"));
        w.save();
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(namesIn(m_folder), QStringList({"free.mp3", "taken.mp3"}));
        QCOMPARE(readFile(file("free.mp3")).right(128), trailer("Mine", "Written", "", "", "", 0));
    }

    void aSecondSaveWithoutSelectionChangesNothing()
    {
        QVERIFY(writeFile(file("a.mp3"), song(1000, trailer("A"))));
        QVERIFY(writeFile(file("b.mp3"), song(1000)));
        Window w(m_folder);
        QVERIFY(w.clickFile("b.mp3"));
        w.typeInto(0, QStringLiteral("Once"));
        w.save();
        QCOMPARE(log.texts, QStringList());
        const auto before = snapshot();
        w.typeInto(0, QStringLiteral("Twice"));
        w.save();
        QCOMPARE(log.texts, QStringList({TagSaver::noFileText()}));
        QCOMPARE(snapshot(), before);
    }

    void theFileLastPlayedIsRefused()
    {
        const QByteArray audio = readFile(VELMORA_FIXTURES_DIR "/tone3s.mp3");
        QVERIFY(!audio.isEmpty());
        QVERIFY(writeFile(file("played.mp3"), audio));
        QVERIFY(writeFile(file("other.mp3"), song(1000, trailer("Other"))));
        Window w(m_folder);

        // Before any selection both paths are empty: refused.
        w.save();
        QCOMPARE(log.texts, QStringList({"Cannot Edit MP3 While Playing"}));

        QVERIFY(w.clickFile("played.mp3"));
        QTest::mouseClick(w.Command5, Qt::LeftButton);  // Play
        QTRY_COMPARE_WITH_TIMEOUT(w->player().get().playState(), MediaPlayer::PlayState::Playing, 5000);

        // Another file can be saved while it plays.
        QVERIFY(w.clickFile("other.mp3"));
        w.typeInto(1, QStringLiteral("While playing"));
        log.clear();
        w.save();
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(readFile(file("other.mp3")).right(128), trailer("Other", "While playing", "", "", "", 0));

        // The played file, even after Stop.
        QTest::mouseClick(w.Command1, Qt::LeftButton);  // Stop
        QVERIFY(w.clickFile("played.mp3"));
        w.typeInto(0, QStringLiteral("Refused"));
        w.save();
        QCOMPARE(log.texts, QStringList({"Cannot Edit MP3 While Playing"}));
        QCOMPARE(readFile(file("played.mp3")), audio);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Refused"));
    }
};

QTEST_MAIN(TestSaving)
#include "tst_saving.moc"
