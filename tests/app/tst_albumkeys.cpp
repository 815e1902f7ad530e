// Tagging an album from the keyboard in the real window: the next and previous file from the
// panel's boxes, Save and Next, and Keep File Times, with the trailers, names and times on disk
// checked.

#include "support/EditorTestHelpers.h"

#include "app/FrmMain.h"
#include "tags/settings/SettingsStore.h"
#include "browser/GenreBox.h"
#include "browser/Mp3Files.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

using namespace EditorTest;

namespace {

const QString kApplication = QStringLiteral("Quorrel");

QAction *action(FrmMain &window, const char *name)
{
    return window.findChild<QAction *>(QLatin1String(name));
}

QWidget *focused() { return QApplication::focusWidget(); }

// Presses Tab (or Shift+Tab) until target has the focus; false after a full round without it.
bool tabTo(QWidget *target, bool backwards = false)
{
    for (int presses = 0; presses < 40 && focused() != target; ++presses)
        QTest::keyClick(focused(), Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
    return focused() == target;
}

// Types text over whatever the focused box holds.
void typeOver(const QString &text)
{
    if (auto *edit = qobject_cast<QLineEdit *>(focused()))
        edit->selectAll();
    QTest::keyClicks(focused(), text);
}

// The window shown and active, so that the focus and the window's shortcuts work as for a user.
void activate(Window &w)
{
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.main()));
}

bool selectedWhole(QLineEdit *box) { return box->selectedText() == box->text(); }

}  // namespace

class TestAlbumKeys : public FolderTestCase {
    Q_OBJECT

private:
    void writeSongs(const QList<QByteArray> &names)
    {
        for (const QByteArray &name : names)
            QVERIFY(writeFile(file(name), song(700, trailer("Title of " + name, "Artist " + name, "", "", "", 3))));
    }

private slots:
    void aWholeAlbumIsTaggedWithKeysOnly()
    {
        QList<QByteArray> names;
        for (int track = 1; track <= 12; ++track) {
            names << QByteArray::number(track).rightJustified(2, '0') + ".mp3";
            QVERIFY(writeFile(file(names.last()), song(900 + track)));  // no tag yet
        }
        Window w(m_folder);
        activate(w);

        // The list's first row, from the keyboard.
        w.lv1->setFocus();
        QTest::keyClick(w.lv1, Qt::Key_Space);
        QCOMPARE(w.FilOpen->selectedIndex(), 0);

        // The values the album shares, each kept for the files to come.
        QVERIFY(tabTo(w.TxtDispTag[1], true));
        typeOver(QStringLiteral("The Band"));
        QTest::keyClick(focused(), Qt::Key_Tab);
        typeOver(QStringLiteral("Long Album"));
        QTest::keyClick(focused(), Qt::Key_Tab);
        typeOver(QStringLiteral("2024"));
        QVERIFY(tabTo(w.CmbGenre));
        typeOver(QStringLiteral("Jazz"));
        for (int keep : {1, 2, 3, 5}) {
            QVERIFY(tabTo(w.ChkKeepTag[keep]));
            QTest::keyClick(focused(), Qt::Key_Space);
        }
        QVERIFY(tabTo(w.TxtDispTag[0]));

        for (int track = 1; track <= 12; ++track) {
            QCOMPARE(focused(), w.TxtDispTag[0]);
            QCOMPARE(w.FilOpen->selectedIndex(), track - 1);
            QVERIFY(selectedWhole(w.TxtDispTag[0]));
            QTest::keyClicks(focused(), QStringLiteral("Track %1").arg(track));
            // The keypad's Enter for the odd tracks, the main keyboard's for the even ones.
            if (track % 2)
                QTest::keyClick(focused(), Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
            else
                QTest::keyClick(focused(), Qt::Key_Return, Qt::ControlModifier);
        }
        // Nothing follows the last file: it is saved and no file is loaded.
        QCOMPARE(w.FilOpen->selectedIndex(), -1);
        QCOMPARE(focused(), w.TxtDispTag[0]);
        QCOMPARE(log.texts, QStringList());

        QCOMPARE(namesIn(m_folder), QStringList(names.cbegin(), names.cend()));
        for (int track = 1; track <= 12; ++track) {
            const QByteArray bytes = readFile(file(names[track - 1]));
            QCOMPARE(bytes.size(), 900 + track + 128);
            QCOMPARE(bytes.right(128), trailer("Track " + QByteArray::number(track), "The Band", "Long Album", "2024", "", 8));
        }
    }

    void pageKeysLoadTheNeighboursAsAClick()
    {
        writeSongs({"a.mp3", "b.mp3", "c.mp3"});
        Window w(m_folder);
        activate(w);
        w.clickRow(0);
        w.setKeep(1, true);
        w.typeInto(1, QStringLiteral("Kept Artist"));
        w.typeInto(2, QStringLiteral("typed, not saved"));

        struct Step {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            int row;  // the row loaded afterwards
        };
        const Step steps[] = {
            {Qt::Key_PageDown, Qt::NoModifier, 1}, {Qt::Key_Down, Qt::ControlModifier, 2},
            {Qt::Key_PageDown, Qt::NoModifier, 2},  // the end: nothing
            {Qt::Key_Up, Qt::ControlModifier, 1},  {Qt::Key_PageUp, Qt::NoModifier, 0},
            {Qt::Key_PageUp, Qt::NoModifier, 0},  // the start: nothing
        };
        for (const Step &step : steps) {
            QTest::keyClick(w.TxtDispTag[2], step.key, step.modifiers);
            QCOMPARE(w.FilOpen->selectedIndex(), step.row);
            QCOMPARE(w.lv1->selectedRow(), step.row);
            // The Keep rule of a click: the kept box keeps its text, the others show the file's.
            QCOMPARE(w.panel().mid(0, 2), QStringList({"Title of " + w.lv1->text(step.row, 0), "Kept Artist"}));
            QCOMPARE(focused(), w.TxtDispTag[2]);
        }
        QCOMPARE(readFile(file("a.mp3")).right(128), trailer("Title of a.mp3", "Artist a.mp3", "", "", "", 3));

        // In the genre box the keys go to the next file, not to the next genre.
        w.CmbGenre->setFocus();
        QTest::keyClick(w.CmbGenre, Qt::Key_PageDown);
        QCOMPARE(w.FilOpen->selectedIndex(), 1);
        QCOMPARE(w.CmbGenre->text(), QStringLiteral("Dance"));
        QCOMPARE(w.CmbGenre->lineEdit()->selectedText(), QStringLiteral("Dance"));
        QCOMPARE(log.texts, QStringList());
    }

    void pageDownWithoutACurrentFileDoesNothing()
    {
        Window w(m_folder);  // empty
        w.typeInto(0, QStringLiteral("typed"));
        QTest::keyClick(w.TxtDispTag[0], Qt::Key_PageDown);
        QTest::keyClick(w.TxtDispTag[0], Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("typed"));

        writeSongs({"a.mp3", "b.mp3"});
        QVERIFY(w.openFolder(m_folder));  // listed, none loaded
        w.typeInto(0, QStringLiteral("typed"));
        QTest::keyClick(w.TxtDispTag[0], Qt::Key_PageDown);
        QCOMPARE(w.FilOpen->selectedIndex(), -1);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("typed"));
        QVERIFY(!w->editor().saveAndNext());
        QCOMPARE(log.texts.size(), 1);  // the refusal of a save without a file
        QCOMPARE(readFile(file("a.mp3")).right(128), trailer("Title of a.mp3", "Artist a.mp3", "", "", "", 3));
    }

    void saveAndNextFollowsTheOldOrderAfterARename()
    {
        writeSongs({"a.mp3", "b.mp3", "c.mp3"});
        Window w(m_folder);
        w.clickRow(0);
        w.typeInto(0, QStringLiteral("Last"));
        w.typeInto(1, QStringLiteral("Zed"));
        w.setRename(true);
        QVERIFY(w->editor().saveAndNext());
        // a.mp3 is now the last row; the file after it before the save is loaded, not row 0.
        QCOMPARE(namesIn(m_folder), QStringList({"Zed-Last.MP3", "b.mp3", "c.mp3"}));
        QCOMPARE(w.lv1->text(w.lv1->selectedRow(), 0), QStringLiteral("b.mp3"));
        QCOMPARE(w->session().CurrentPath(), file("b.mp3"));
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Title of b.mp3"));
        QCOMPARE(readFile(file("Zed-Last.MP3")).right(128), trailer("Last", "Zed", "", "", "", 3));
        QCOMPARE(log.texts, QStringList());
    }

    void aFailedSaveMovesNothing()
    {
        writeSongs({"a.mp3", "b.mp3"});
        Window w(m_folder);
        w.clickRow(0);
        w.typeInto(0, QStringLiteral("Mine"));
        // Another program writes the file after it was read: the save refuses it.
        const QByteArray theirs = song(800, trailer("Theirs"));
        QVERIFY(writeFile(file("a.mp3"), theirs));
        action(w.main(), "mnuSaveNext")->trigger();
        QCOMPARE(log.texts.size(), 1);
        QCOMPARE(readFile(file("a.mp3")), theirs);
        QCOMPARE(w.FilOpen->selectedIndex(), 0);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Mine"));
    }

    void keepFileTimes_data()
    {
        QTest::addColumn<bool>("keep");
        QTest::addColumn<bool>("rename");
        QTest::newRow("kept") << true << false;
        QTest::newRow("kept, renamed") << true << true;
        QTest::newRow("the save's") << false << false;
        QTest::newRow("the save's, renamed") << false << true;
    }

    void keepFileTimes()
    {
        QFETCH(bool, keep);
        QFETCH(bool, rename);
        writeSongs({"a.mp3"});
        QVERIFY(setTimes(file("a.mp3"), oldTimes));
        Window w(m_folder);
        QAction *keepTimes = action(w.main(), "mnuKeepFileTimes");
        QVERIFY(keepTimes->isCheckable());
        QVERIFY(!keepTimes->isChecked());  // off by default
        if (keep)
            keepTimes->trigger();
        w.clickRow(0);
        w.typeInto(0, QStringLiteral("Song"));
        w.setRename(rename);
        const qint64 before = QDateTime::currentMSecsSinceEpoch() * 1000000 - 1000000000;
        w.save();
        QCOMPARE(log.texts, QStringList());
        const QByteArray saved = file(rename ? "Artist a.mp3-Song.MP3" : "a.mp3");
        QCOMPARE(readFile(saved).right(128), trailer("Song", "Artist a.mp3", "", "", "", 3));
        const FileTimes times = timesOf(saved);
        if (keep) {
            // Loading the file read it, which may have moved its access time on already.
            QCOMPARE(times.modifiedNs, oldTimes.modifiedNs);
        } else {
            QVERIFY(times.modifiedNs >= before);
            QVERIFY(times.modifiedNs <= QDateTime::currentMSecsSinceEpoch() * 1000000 + 1000000000);
        }
    }

    void keepFileTimesIsStoredWithTheSettings()
    {
        bool ended = false;
        {
            FrmMain w([&] { ended = true; });
            w.Form_Load();
            QAction *keepTimes = action(w, "mnuKeepFileTimes");
            QVERIFY(!keepTimes->isChecked());
            keepTimes->trigger();
            w.mnuQuit_Click();
        }
        QVERIFY(ended);
        QCOMPARE(SettingsStore::read(kApplication, QStringLiteral("Tags"), QStringLiteral("KeepFileTimes"), {}),
                 QStringLiteral("1"));
        FrmMain again([] {});
        again.Form_Load();
        QAction *keepTimes = action(again, "mnuKeepFileTimes");
        QVERIFY(keepTimes->isChecked());
        // Turned off, it is stored as off.
        keepTimes->trigger();
        again.mnuQuit_Click();
        QCOMPARE(SettingsStore::read(kApplication, QStringLiteral("Tags"), QStringLiteral("KeepFileTimes"), {}),
                 QStringLiteral("0"));
    }
};

QTEST_MAIN(TestAlbumKeys)
#include "tst_albumkeys.moc"
