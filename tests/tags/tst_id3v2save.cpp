// Saves that write the ID3v2 tag too, on real files: in place when the padding holds the new
// frames, else the file written anew beside itself and renamed over it; every byte the save does
// not write stays, and a tag that cannot be written whole leaves the file as it was.

#include "support/Id3v2Files.h"
#include "support/TestFiles.h"

#include "tags/codepage/CodePage.h"
#include "tags/files/FileSwap.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/id3v2/Id3v2Writer.h"
#include "tags/jobs/JobApply.h"
#include "tags/jobs/ValuesJob.h"
#include "tags/journal/JournalUndo.h"
#include "tags/journal/SaveJournal.h"
#include "tags/trailer/TagCore.h"

#include <QTest>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Id3v2Files;
using namespace TestFiles;

namespace {

const QByteArray oldTrailer = trailer("Old Title", "Old Artist", "", "1999", "note", 17);

QList<Frame> frames()
{
    return {{"TIT2", latin1("Old Title")},
            {"APIC", QByteArray("\0image/png\0\3\0", 13) + QByteArray(5000, char(0xAB))},
            {"TPE1", latin1("Old Artist")},
            {"PRIV", QByteArray("owner\0\1\2", 8)}};
}

struct Saved {
    TagSaveResult result;
    QByteArray before, after;
    struct stat statBefore {}, statAfter {};
};

Saved saveTitle(const QByteArray &path, const QByteArray &title, bool keepTimes = false, SaveJournal *journal = nullptr)
{
    Saved saved;
    saved.before = readFile(path);
    ::stat(path.constData(), &saved.statBefore);
    const TagReading reading = readTagFile(path);
    Id3v1::Fields fields = reading.fields;
    fields.title = title;
    TagSave save = saveOverReading(path, reading, fields);
    save.id3v2Fields = AllId3v2Fields;
    save.page = &CodePage::byNumber(1252);
    save.keepTimes = keepTimes;
    save.journal = journal;
    saved.result = saveTagFile(save);
    saved.after = readFile(path);
    ::stat(path.constData(), &saved.statAfter);
    return saved;
}

QByteArray audio() { return song(20000); }

// frames() as a save of every field with the given title leaves them: the title in its place, the
// fields the tag lacked after the others.
QList<Frame> framesSaved(int major, const QByteArray &title)
{
    QList<Frame> saved = frames();
    saved[0].contents = latin1(title);
    saved << Frame{major == 3 ? "TYER" : "TDRC", latin1("1999")} << Frame{"COMM", latin1Comment("note")}
          << Frame{"TCON", latin1("Rock")};
    return saved;
}

}  // namespace

class TestId3v2Save : public QObject {
    Q_OBJECT

private slots:
    void paddingTakesTheNewTitleInPlace()
    {
        TempFolder folder;
        const QByteArray path = folder.file("a.mp3");
        const QByteArray head = tag(3, frames(), {.padding = 300});
        QVERIFY(writeFile(path, head + audio() + oldTrailer));
        const Saved saved = saveTitle(path, "New Title");
        QVERIFY2(saved.result.status, qPrintable(saved.result.status.description()));
        QVERIFY(saved.result.id3v2Written);
        const QList<Frame> expected = framesSaved(3, "New Title");
        const QByteArray newHead = tag(3, expected, {.padding = int(head.size() - tag(3, expected).size())});
        QCOMPARE(saved.after.left(head.size()).toHex(), newHead.toHex());
        QCOMPARE(saved.after.mid(head.size(), audio().size()), audio());
        QCOMPARE(saved.after.right(128), trailer("New Title", "Old Artist", "", "1999", "note", 17));
        QCOMPARE(saved.statAfter.st_ino, saved.statBefore.st_ino);  // the same file, written in place
    }

    void aTagThatMustGrowIsWrittenToANewFileRenamedOverTheOld()
    {
        TempFolder folder;
        const QByteArray path = folder.file("a.mp3");
        const QByteArray head = tag(4, frames());
        QVERIFY(writeFile(path, head + audio() + oldTrailer));
        QCOMPARE(::chmod(path.constData(), 0640), 0);
        QVERIFY(setTimes(path, oldTimes));
        const Saved saved = saveTitle(path, "A Much Longer New Title", true);
        QVERIFY2(saved.result.status, qPrintable(saved.result.status.description()));
        const QList<Frame> expected = framesSaved(4, "A Much Longer New Title");
        const QByteArray newHead = tag(4, expected, {.padding = Id3v2::GrowthPadding});
        QCOMPARE(saved.after.left(newHead.size()).toHex(), newHead.toHex());
        QCOMPARE(saved.after.mid(newHead.size(), audio().size()), audio());
        QCOMPARE(saved.after.size(), newHead.size() + audio().size() + 128);
        QVERIFY(saved.statAfter.st_ino != saved.statBefore.st_ino);
        QCOMPARE(saved.statAfter.st_mode & 07777, mode_t(0640));
        QCOMPARE(timesOf(path).modifiedNs, oldTimes.modifiedNs);  // (reading it first moved its access time)
        QCOMPARE(namesIn(folder.path()), QStringList{QStringLiteral("a.mp3")});  // nothing left beside it
        QCOMPARE(saved.result.identity.inode, quint64(saved.statAfter.st_ino));
    }

    // Each leaves the file byte for byte as it was, trailer too, and says why.
    void filesThatCannotBeWrittenWholeAreLeftAsTheyWere_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("secondName");
        QTest::addColumn<QString>("reason");
        QTest::newRow("2.2") << tag(2, {{"TT2", latin1("Old Title")}}, {.padding = 100}) << false << "2.2";
        QTest::newRow("2.3 unsynchronised") << tag(3, frames(), {.unsynchronised = true, .padding = 100}) << false
                                            << "unsynchronised";
        QTest::newRow("compressed title") << tag(3, {{"TIT2", latin1("Old Title"), 0x80}}, {.padding = 100}) << false
                                          << "compressed";
        QTest::newRow("hard link, tag must grow") << tag(3, frames()) << true << "more than one name";
    }

    void filesThatCannotBeWrittenWholeAreLeftAsTheyWere()
    {
        QFETCH(QByteArray, head);
        QFETCH(bool, secondName);
        QFETCH(QString, reason);
        TempFolder folder;
        const QByteArray path = folder.file("a.mp3");
        QVERIFY(writeFile(path, head + audio() + oldTrailer));
        if (secondName)
            QCOMPARE(::link(path.constData(), folder.file("b.mp3").constData()), 0);
        const Saved saved = saveTitle(path, "A Much Longer New Title");
        QVERIFY(!saved.result.status);
        QVERIFY(!saved.result.written);
        QVERIFY2(saved.result.status.description().contains(reason), qPrintable(saved.result.status.description()));
        QCOMPARE(saved.after, saved.before);
    }

    void aFileWithoutAnId3v2TagGetsNone()
    {
        TempFolder folder;
        const QByteArray path = folder.file("a.mp3");
        QVERIFY(writeFile(path, audio() + oldTrailer));
        const Saved saved = saveTitle(path, "New");
        QVERIFY(saved.result.status);
        QVERIFY(!saved.result.id3v2Written);
        QCOMPARE(saved.after, audio() + trailer("New", "Old Artist", "", "1999", "note", 17));
    }

    // Every layout the writer keeps, written in place or anew, then undone: the file byte for byte
    // as it was, head and trailer.
    void anUndoGivesEveryLayoutBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("title");
        for (const int major : {3, 4}) {
            const QByteArray v = "2." + QByteArray::number(major) + ' ';
            QTest::newRow(v + "in place") << tag(major, frames(), {.padding = 400}) << QByteArray("New");
            QTest::newRow(v + "grown") << tag(major, frames()) << QByteArray("A Much Longer New Title");
            QTest::newRow(v + "extended header, in place") << tag(major, frames(), {.extendedHeader = true, .padding = 300})
                                                           << QByteArray("New");
        }
        QTest::newRow("2.4 footer") << tag(4, frames(), {.footer = true}) << QByteArray("New");
        QTest::newRow("2.4 unsynchronised frames") << tag(4, frames(), {.unsynchronised = true, .padding = 200})
                                                   << QByteArray("New");
    }

    void anUndoGivesEveryLayoutBackByteForByte()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, title);
        TempFolder folder, state;
        SaveJournal journal(state.path());
        const QByteArray path = folder.file("a.mp3");
        const QByteArray before = head + audio() + oldTrailer;
        QVERIFY(writeFile(path, before));
        const Saved saved = saveTitle(path, title, false, &journal);
        QVERIFY2(saved.result.status, qPrintable(saved.result.status.description()));
        QVERIFY(saved.result.id3v2Written);
        QVERIFY(saved.after != before);
        const std::optional<JournalRecord> last = journal.lastUndoable();
        QVERIFY(last);
        QCOMPARE(last->oldHead, head);
        const FileStatus undone = undoChange(journal, *last, false);
        QVERIFY2(undone, qPrintable(undone.description()));
        QCOMPARE(readFile(path), before);
        QCOMPARE(namesIn(folder.path()), QStringList{QStringLiteral("a.mp3")});
        // The undo is a change too: undone in turn, the save's file is back.
        const JournalRecord undo = journal.records().front();  // newest first
        QVERIFY(undo.undoes == last->id);
        const FileStatus redone = undoChange(journal, undo, false);
        QVERIFY2(redone, qPrintable(redone.description()));
        QCOMPARE(readFile(path), saved.after);
    }

    // A journal of the version that wrote only trailers gets the new columns; its records undo.
    void aJournalOfTheVersionBeforeIsKept()
    {
        TempFolder folder, state;
        const QByteArray path = folder.file("a.mp3");
        const QByteArray before = audio() + oldTrailer;
        QVERIFY(writeFile(path, before));
        QByteArray database;
        {
            SaveJournal journal(state.path());
            QVERIFY(saveTitle(path, "New", false, &journal).result.status);
            database = journal.filePath();
        }
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(database.constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "ALTER TABLE change DROP COLUMN old_head; ALTER TABLE change DROP COLUMN new_head; "
                                  "ALTER TABLE change DROP COLUMN inode_after; PRAGMA user_version=1;",
                              nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        SaveJournal journal(state.path());
        const std::optional<JournalRecord> last = journal.lastUndoable();
        QVERIFY(last);
        QVERIFY(!last->writesHead());
        QVERIFY(undoChange(journal, *last, false));
        QCOMPARE(readFile(path), before);
    }

    // A job's preview says of each file what its save will do with the ID3v2 tag, and skips the
    // files whose tag cannot be written whole; Apply then writes as it said.
    void aJobsPreviewSaysWhatBecomesOfEachId3v2Tag()
    {
        TempFolder folder;
        const QByteArray plainTrailer = trailer("Walk", "Old Artist", "", "", "", 255);
        QVERIFY(writeFile(folder.file("a.mp3"), tag(3, frames(), {.padding = 300}) + audio() + plainTrailer));
        QVERIFY(writeFile(folder.file("b.mp3"), tag(4, frames()) + audio() + plainTrailer));
        QVERIFY(writeFile(folder.file("c.mp3"), tag(2, {{"TT2", latin1("Walk")}}, {.padding = 50}) + audio() + plainTrailer));
        QVERIFY(writeFile(folder.file("d.mp3"), audio() + plainTrailer));
        FileStatus listed = FileStatus::success();
        const std::vector<JobFile> files = listJobFiles(folder.path(), listed);
        QVERIFY(listed);
        FieldEdits edits;
        edits.artist = QStringLiteral("A Newer Artist");  // longer: b.mp3 has no padding
        const CodePage &page = CodePage::byNumber(1252);
        std::vector<JobRow> rows = previewJob(files, valuesPlanner(edits), page);
        noteId3v2Writes(rows, page);
        QCOMPARE(rows.size(), size_t(4));
        QCOMPARE(rows[0].reason, QStringLiteral("ID3v2 written too"));
        QCOMPARE(rows[1].reason, QStringLiteral("ID3v2 written too, the file written anew"));
        QCOMPARE(rows[2].state, JobState::Skipped);
        QVERIFY2(rows[2].reason.contains(QLatin1String("ID3v2.2")), qPrintable(rows[2].reason));
        QCOMPARE(rows[3].state, JobState::WillChange);
        QCOMPARE(rows[3].reason, QString());
        const QByteArray untouched = readFile(folder.file("c.mp3"));
        JobApply apply;
        apply.id3v2Page = &page;
        QCOMPARE(applyJob(rows, apply).written, 3);
        QCOMPARE(readFile(folder.file("c.mp3")), untouched);
        for (const char *name : {"a.mp3", "b.mp3"})
            QVERIFY(readFile(folder.file(name)).left(6000).contains(QByteArray("\0A Newer Artist", 15)));  // its TPE1
    }

    // A value the job cuts to fit the trailer (as the album lookup does) goes whole into the
    // ID3v2 tag, in the preview's plan and in the save alike.
    void aValueCutForTheTrailerIsWrittenWholeIntoId3v2()
    {
        TempFolder folder;
        QVERIFY(writeFile(folder.file("a.mp3"), tag(3, frames(), {.padding = 300}) + audio() + trailer("Walk")));
        FileStatus listed = FileStatus::success();
        const std::vector<JobFile> files = listJobFiles(folder.path(), listed);
        QVERIFY(listed);
        FieldEdits edits;
        const QString longTitle = QStringLiteral("A Title Far Longer Than Thirty Bytes Can Hold");
        edits.title = longTitle;
        edits.cutToFit = true;
        const CodePage &page = CodePage::byNumber(1252);
        std::vector<JobRow> rows = previewJob(files, valuesPlanner(edits), page);
        noteId3v2Writes(rows, page);
        QCOMPARE(rows.size(), size_t(1));
        QCOMPARE(rows[0].cut, std::vector<TagField>{TagField::Title});
        JobApply apply;
        apply.id3v2Page = &page;
        QCOMPARE(applyJob(rows, apply).written, 1);
        const QByteArray now = readFile(folder.file("a.mp3"));
        QCOMPARE(now.right(128).mid(3, 30), longTitle.toLatin1().left(30));
        QVERIFY(now.left(1000).contains('\0' + longTitle.toLatin1()));  // its TIT2, whole
    }

    // A file written anew takes the place only of the file it was made from: one that took its
    // name meanwhile keeps it, and the new file is left aside.
    void aNewFileNeverReplacesAnother()
    {
        TempFolder folder;
        const QByteArray path = folder.file("a.mp3"), fresh = folder.file(".new");
        QVERIFY(writeFile(path, "theirs"));
        QVERIFY(writeFile(fresh, "ours"));
        struct stat st;
        QCOMPARE(::stat(path.constData(), &st), 0);
        QCOMPARE(swapInPlaceOf(AT_FDCWD, fresh.constData(), path.constData(), st.st_dev, st.st_ino + 1), ESTALE);
        QCOMPARE(readFile(path), QByteArray("theirs"));
        QCOMPARE(readFile(fresh), QByteArray("ours"));
        QCOMPARE(swapInPlaceOf(AT_FDCWD, fresh.constData(), path.constData(), st.st_dev, st.st_ino), 0);
        QCOMPARE(readFile(path), QByteArray("ours"));
        QCOMPARE(namesIn(folder.path()), QStringList{QStringLiteral("a.mp3")});
    }

    // The trailer holds the first 30 bytes of a longer title: a save of another field leaves it.
    void aLongerId3v2ValueTheTrailerHoldsTheStartOfIsKept()
    {
        TempFolder folder;
        const QByteArray path = folder.file("a.mp3");
        const QByteArray longTitle = "A Title Far Longer Than Thirty Bytes Can Hold";
        const QByteArray head = tag(3, {{"TIT2", latin1(longTitle)}, {"TPE1", latin1("Old Artist")}}, {.padding = 200});
        QVERIFY(writeFile(path, head + audio() + trailer(longTitle.left(30), "Old Artist", "", "", "", 255)));
        const Saved saved = saveTitle(path, longTitle.left(30));  // the title as the window shows it
        QVERIFY(saved.result.status);
        QCOMPARE(saved.after.left(head.size()), head);  // nothing to write: the tag stays as it is
    }
};

QTEST_GUILESS_MAIN(TestId3v2Save)
#include "tst_id3v2save.moc"
