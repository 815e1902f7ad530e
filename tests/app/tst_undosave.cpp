// Undo Save and Save History in the real window, with the bytes and names on disk checked: an
// album saved with a wrong Keep box put back, a rename undone, the menu entry's text and state,
// an undo refused when the file changed since, an older change chosen in the history, a save the
// journal refuses, and a save cut short put right when the window starts.

#include "support/EditorTestHelpers.h"

#include "app/FrmMain.h"
#include "app/FrmSaveHistory.h"
#include "tags/settings/SettingsStore.h"
#include "browser/TagEditor.h"
#include "tags/journal/SaveJournal.h"
#include "tags/trailer/TagCore.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <sys/stat.h>

using namespace EditorTest;

namespace {

const QByteArray audio = song(2000);

QAction *undoEntry(Window &w)
{
    return w->findChild<QAction *>(QStringLiteral("mnuUndoSave"));
}

// The entry as the menu shows it when it opens.
QAction *openedUndoEntry(Window &w)
{
    emit w->mnuEdit->aboutToShow();
    return undoEntry(w);
}

}  // namespace

class TestUndoSave : public FolderTestCase {
    Q_OBJECT

private:
    // Writes a tagged file per title, "01.mp3" on, each by its own artist; returns the folder's files.
    QHash<QString, QByteArray> writeAlbum(const QList<QByteArray> &titles)
    {
        for (int i = 0; i < titles.size(); ++i)
            writeFile(file(QByteArray::number(i + 1).rightJustified(2, '0') + ".mp3"),
                      audio + trailer(titles[i], "Artist " + QByteArray::number(i + 1), "Album", "1999"));
        return snapshot();
    }

    void saveWithTitle(Window &w, const QByteArray &name, const QString &title)
    {
        QVERIFY(w.clickFile(name));
        w.typeInto(0, title);
        w.save();
    }

private slots:
    void anAlbumSavedWithAWrongKeepBoxIsPutBack()
    {
        StateHome state;
        const auto before = writeAlbum({"One", "Two", "Three"});
        Window w(m_folder);
        QVERIFY(w.clickFile("01.mp3"));
        w.typeInto(1, QStringLiteral("Wrong Artist"));
        w.setKeep(1, true);  // left ticked by mistake
        w.save();
        for (const char *name : {"02.mp3", "03.mp3"}) {
            QVERIFY(w.clickFile(name));
            w.save();
        }
        QCOMPARE(w.row(2).at(2), QStringLiteral("Wrong Artist"));
        QVERIFY(snapshot() != before);

        // Three times the shortcut, from a text box: each takes the newest save back.
        for (int n = 0; n < 3; ++n) {
            w.TxtDispTag[0]->setFocus();
            QTest::keyClick(w.TxtDispTag[0], Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
        }
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(snapshot(), before);
        QVERIFY(!openedUndoEntry(w)->isEnabled());
        QCOMPARE(w.row(1).at(2), QStringLiteral("Artist 2"));  // the list was read again
    }

    void aRenameIsUndone()
    {
        StateHome state;
        QVERIFY(writeFile(file("track01.mp3"), audio + trailer("Morning Walk", "Red Kettle")));
        const auto before = snapshot();
        Window w(m_folder);
        QVERIFY(w.clickFile("track01.mp3"));
        w.typeInto(4, QStringLiteral("live"));
        w.setRename(true);
        w.save();
        QCOMPARE(namesIn(m_folder), QStringList({"Red Kettle-Morning Walk.MP3"}));
        QCOMPARE(openedUndoEntry(w)->text(), QStringLiteral("&Undo Save of Red Kettle-Morning Walk.MP3"));

        undoEntry(w)->trigger();
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(snapshot(), before);
        QCOMPARE(w.row(0).at(0), QStringLiteral("track01.mp3"));
        QCOMPARE(w->session().reading().trailer, before.value("track01.mp3").right(128));
    }

    void theEntryNamesTheSaveAndIsDisabledWithoutOne()
    {
        StateHome state;
        QVERIFY(writeFile(file("Rock & Roll.mp3"), audio + trailer("Song")));
        Window w(m_folder);
        QAction *entry = openedUndoEntry(w);
        QCOMPARE(entry->text(), QStringLiteral("&Undo Save"));
        QVERIFY(!entry->isEnabled());
        QCOMPARE(entry->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+Z")));

        saveWithTitle(w, "Rock & Roll.mp3", QStringLiteral("New"));
        QVERIFY(entry->isEnabled());  // updated by the save, before the menu opens
        QCOMPARE(entry->text(), QStringLiteral("&Undo Save of Rock && Roll.mp3"));

        // Ctrl+Z in a text box undoes typing, not the save.
        QVERIFY(w.clickFile("Rock & Roll.mp3"));
        w.typeInto(0, QStringLiteral("Typed"));
        QTest::keyClick(w.TxtDispTag[0], Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("New"));
        QCOMPARE(readFile(file("Rock & Roll.mp3")).right(128), trailer("New"));

        entry->trigger();
        QVERIFY(!entry->isEnabled());
        QCOMPARE(entry->text(), QStringLiteral("&Undo Save"));
        QCOMPARE(log.texts, QStringList());
    }

    void anUndoIsRefusedWhenTheFileChangedSince_data()
    {
        QTest::addColumn<QByteArray>("changed");  // what another program left in the file
        QTest::addColumn<bool>("playing");        // the player holds the file
        QTest::addColumn<QString>("why");
        QTest::newRow("tag") << audio + trailer("Other") << false << "its tag has changed since";
        QTest::newRow("length") << audio + "more" + trailer("New") << false << "its length has changed since";
        QTest::newRow("player") << audio + trailer("New") << true << TagSaver::playingText();
    }

    void anUndoIsRefusedWhenTheFileChangedSince()
    {
        QFETCH(QByteArray, changed);
        QFETCH(bool, playing);
        QFETCH(QString, why);
        StateHome state;
        QVERIFY(writeFile(file("a.mp3"), audio + trailer("Old")));
        Window w(m_folder);
        saveWithTitle(w, "a.mp3", QStringLiteral("New"));
        QVERIFY(writeFile(file("a.mp3"), changed));
        if (playing)
            w->session().setPlayerFile(file("a.mp3"));  // as the player reports it when it opens the file
        w.typeInto(2, QStringLiteral("typed, kept"));

        undoEntry(w)->trigger();
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts.first().contains(why), qPrintable(log.texts.first()));
        QCOMPARE(readFile(file("a.mp3")), changed);
        QCOMPARE(w.TxtDispTag[2]->text(), QStringLiteral("typed, kept"));  // the window as it was
        QVERIFY(undoEntry(w)->isEnabled());  // still the newest save
    }

    void theHistoryListsTheSavesAndUndoesAnOlderOne()
    {
        StateHome state;
        const auto before = writeAlbum({"One", "Two", "Three"});
        Window w(m_folder);
        saveWithTitle(w, "01.mp3", QStringLiteral("First"));
        QVERIFY(w.clickFile("02.mp3"));
        w.typeInto(1, QStringLiteral("Someone"));
        w.typeInto(3, QStringLiteral("2001"));
        w.setRename(true);
        w.save();
        saveWithTitle(w, "03.mp3", QStringLiteral("Third"));
        const auto saved = snapshot();

        w->findChild<QAction *>(QStringLiteral("mnuSaveHistory"))->trigger();
        const auto *history = w->findChild<FrmSaveHistory *>(QStringLiteral("FrmSaveHistory"));
        QVERIFY(history && history->isVisible());
        QTreeWidget *list = history->lstHistory;
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("03.mp3"));
        QCOMPARE(list->topLevelItem(1)->text(3), QStringLiteral("02.mp3 → Someone-Two.MP3"));
        QCOMPARE(list->topLevelItem(1)->text(4), QStringLiteral("Artist, Year"));
        QCOMPARE(list->topLevelItem(2)->text(4), QStringLiteral("Title"));
        QCOMPARE(list->topLevelItem(2)->text(2), QString::fromUtf8(m_folder));

        list->setCurrentItem(list->topLevelItem(1));
        QTest::mouseClick(history->cmdUndo, Qt::LeftButton);
        QCOMPARE(log.texts, QStringList());
        auto expected = saved;
        expected.remove(QStringLiteral("Someone-Two.MP3"));
        expected.insert(QStringLiteral("02.mp3"), before.value("02.mp3"));
        QCOMPARE(snapshot(), expected);
        QCOMPARE(w.row(1).at(0), QStringLiteral("02.mp3"));  // the folder was read again

        // The undo is listed on top; the undone save stays selected and cannot be undone again.
        QCOMPARE(list->topLevelItemCount(), 4);
        QCOMPARE(list->topLevelItem(0)->text(5), QStringLiteral("Undoes no. 2"));
        QCOMPARE(list->currentItem()->text(5), QStringLiteral("Undone by no. 4"));
        QVERIFY(!history->cmdUndo->isEnabled());
        list->setCurrentItem(list->topLevelItem(0));
        QVERIFY(history->cmdUndo->isEnabled());
    }

    void aSaveTheJournalRefusesWritesNothing()
    {
        QVERIFY(writeFile(file("blocker"), "a file, not a folder"));
        StateHome state(file("blocker"));
        QVERIFY(writeFile(file("a.mp3"), audio + trailer("Old")));
        Window w(m_folder);
        saveWithTitle(w, "a.mp3", QStringLiteral("New"));
        QCOMPARE(log.texts.size(), 1);
        // Says what is wrong (it used to say "Permission denied").
        QVERIFY2(log.texts.first().contains(QString::fromUtf8(file("blocker")) + QStringLiteral("\" (XDG_STATE_HOME) is a regular file")),
                 qPrintable(log.texts.first()));
        QCOMPARE(readFile(file("a.mp3")), audio + trailer("Old"));
        QVERIFY(!openedUndoEntry(w)->isEnabled());
    }

    void aSaveCutShortIsPutRightBeforeTheFolderIsListed()
    {
        StateHome state;
        const QByteArray old = audio + trailer("Old"), written = audio + trailer("New", {}, {}, "2024", "live", 7);
        QVERIFY(writeFile(file("a.mp3"), old));
        {
            // A save begun and stopped half-way through its trailer by a crash.
            struct stat st;
            QCOMPARE(::stat(file("a.mp3").constData(), &st), 0);
            JournalRecord record;
            record.folder = m_folder;
            record.oldName = record.newName = "a.mp3";
            record.lengthBefore = old.size();
            record.oldTail = old.right(128);
            record.newTail = written.right(128);
            record.device = st.st_dev;
            record.inode = st.st_ino;
            record.mode = int(st.st_mode & 07777);
            SaveJournal crashed;
            QVERIFY(crashed.begin(record));
        }
        QVERIFY(writeFile(file("a.mp3"), audio + written.right(128).left(64) + old.right(64)));
        QVERIFY(SettingsStore::writeBytes(QStringLiteral("Quorrel"), QStringLiteral("Startup"), QStringLiteral("Path"), m_folder));
        {
            Window w;
            QCOMPARE(log.texts.size(), 1);
            QVERIFY2(log.texts.first().contains("put back as it was before"), qPrintable(log.texts.first()));
            QCOMPARE(readFile(file("a.mp3")), old);
            QCOMPARE(w.row(0).at(1), QStringLiteral("Old"));
        }
        log.clear();
        const Window again;
        QCOMPARE(log.texts, QStringList());  // said once
    }
};

QTEST_MAIN(TestUndoSave)
#include "tst_undosave.moc"
