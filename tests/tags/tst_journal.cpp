// The journal of saves in the core: ids from the database, trimming, undo refused when the file
// moved on, the start-up check putting right each state a crash can leave, crafted records and a
// hostile state folder refused without touching anything, a busy database refused, and the text
// journal of the previous version imported once.

#include "support/TestFiles.h"

#include "tags/trailer/TagCore.h"
#include "tags/journal/JournalStore.h"
#include "tags/journal/JournalRecovery.h"
#include "tags/journal/JournalUndo.h"
#include "tags/journal/SaveJournal.h"

#include <QElapsedTimer>
#include <QTest>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestFiles;
using State = JournalRecord::State;

namespace {

const QByteArray audio = song(3000);
const QByteArray oldTrailer = trailer("Walk", "Red Kettle");
const QByteArray newTrailer = trailer("Walk", "Blue Kettle", {}, {}, "Remastered", 3);

TagSaveResult save(SaveJournal &journal, const QByteArray &path, const QByteArray &newName = {})
{
    TagSave request;
    request.path = path;
    request.fields = Id3v1::parse(newTrailer);
    request.newName = newName;
    request.journal = &journal;
    return saveTagFile(request);
}

int modeOf(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// The record a save of name in folder would begin: the file as it is, the new trailer.
JournalRecord saveRecordOf(const QByteArray &folder, const QByteArray &name, const QByteArray &newName)
{
    struct stat st;
    ::stat((folder + '/' + name).constData(), &st);
    JournalRecord record;
    record.folder = folder;
    record.oldName = name;
    record.newName = newName;
    record.op = JournalRecord::Op::Write;
    record.lengthBefore = st.st_size;
    record.oldTail = oldTrailer;
    record.newTail = newTrailer;
    record.device = st.st_dev;
    record.inode = st.st_ino;
    record.mode = int(st.st_mode & 0777);
    record.modeAfter = record.mode | 0200;
    return record;
}

// Every file under folder, with its bytes and mode, links included (as links).
QMap<QByteArray, QPair<QByteArray, int>> everything(const QByteArray &folder)
{
    QMap<QByteArray, QPair<QByteArray, int>> files;
    for (const QString &name : namesIn(folder)) {
        const QByteArray path = folder + '/' + name.toUtf8();
        files.insert(name.toUtf8(), {readFile(path), modeOf(path)});
    }
    return files;
}

}  // namespace

class TestJournal : public QObject {
    Q_OBJECT

private slots:
    void idsComeFromTheDatabase();
    void trimKeepsTheNewestSaves();
    void trimKeepsBatchesWhole_data();
    void trimKeepsBatchesWhole();
    void undoIsRefusedWhenTheFileMovedOn_data();
    void undoIsRefusedWhenTheFileMovedOn();
    void recoveryPutsRightWhatACrashLeft_data();
    void recoveryPutsRightWhatACrashLeft();
    void craftedRecordsTouchNothing_data();
    void craftedRecordsTouchNothing();
    void aHostileStateFolderIsRefused_data();
    void aHostileStateFolderIsRefused();
    void aStateHomeThatIsALinkIsFollowed();
    void aBusyDatabaseIsWaitedForThenRefused();
    void aPendingUndoIsFinishedByUndoingAgain_data();
    void aPendingUndoIsFinishedByUndoingAgain();
    void theTextJournalIsImportedOnce();
    void anEmptyJournalIsSaidOnce();
};

void TestJournal::idsComeFromTheDatabase()
{
    TempFolder folder, state;
    SaveJournal first(state.path()), second(state.path());  // two processes' journals
    for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
        QVERIFY(writeFile(folder.file(name), audio + oldTrailer));
    QVERIFY(save(first, folder.file("a.mp3")).status);
    QVERIFY(save(second, folder.file("b.mp3")).status);
    QVERIFY(save(first, folder.file("c.mp3")).status);
    const std::vector<JournalRecord> records = second.records();
    QCOMPARE(records.size(), size_t(3));
    QCOMPARE(records[0].id, 3);  // newest first
    QCOMPARE(records[0].oldName, QByteArray("c.mp3"));
    QCOMPARE(records[2].id, 1);
    QCOMPARE(records[0].state, State::Done);
    QCOMPARE(second.lastUndoable()->id, 3);
    QCOMPARE(modeOf(state.path()), 0700);  // the folder made private
}

void TestJournal::trimKeepsTheNewestSaves()
{
    TempFolder folder, state;
    SaveJournal journal(state.path());
    journal.setLimit(3);
    for (const char *name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"}) {
        QVERIFY(writeFile(folder.file(name), audio + oldTrailer));
        QVERIFY(save(journal, folder.file(name)).status);
    }
    QVERIFY(journal.trim());
    const std::vector<JournalRecord> records = journal.records();
    QCOMPARE(records.size(), size_t(3));
    QCOMPARE(records.back().id, 3);
    QVERIFY(save(journal, folder.file("1.mp3")).status);  // ids go on
    QCOMPARE(journal.records().front().id, 6);
}

// records: one token a record, ids from 1: "s" a save of a batch of its own, "+" in the batch of
// the one before, "bN" in batch N, "uN" an undo of N; trimmed to 3.
void TestJournal::trimKeepsBatchesWhole_data()
{
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("a job cut by the limit") << QByteArray("s s + + s s") << QByteArray("2 3 4 5 6");
    QTest::newRow("a job larger than the limit") << QByteArray("s s + + + +") << QByteArray("2 3 4 5 6");
    QTest::newRow("a batch of two processes at once") << QByteArray("s s s b1 s s") << QByteArray("1 2 3 4 5 6");
    QTest::newRow("an undo kept with its save") << QByteArray("s s s u1 s") << QByteArray("1 2 3 4 5");
    QTest::newRow("an undo of an undo") << QByteArray("s s u1 s s u3 s") << QByteArray("1 2 3 4 5 6 7");
    QTest::newRow("a save and its undo dropped together") << QByteArray("s u1 s s s") << QByteArray("3 4 5");
}

void TestJournal::trimKeepsBatchesWhole()
{
    QFETCH(QByteArray, records);
    QFETCH(QByteArray, kept);
    TempFolder state;
    JournalStore store(state.path());
    QVERIFY(store.open(true));
    qint64 previous = 0;
    for (const QByteArray &token : records.split(' ')) {
        JournalRecord r;
        r.state = State::Done;
        r.batch = token == "+" ? previous : token.startsWith('b') ? token.mid(1).toLongLong() : 0;
        r.undoes = token.startsWith('u') ? token.mid(1).toLongLong() : 0;
        QVERIFY(store.insert(r));
        previous = r.batch;
    }
    QVERIFY(store.trim(3));
    StoreResult read;
    QByteArrayList ids;
    for (const JournalRecord &r : store.records({}, 0, read))
        ids.prepend(QByteArray::number(r.id));
    QCOMPARE(ids.join(' '), kept);
}

void TestJournal::undoIsRefusedWhenTheFileMovedOn_data()
{
    QTest::addColumn<QByteArray>("replacement");  // the file's bytes after the save, or a name taken
    QTest::addColumn<QString>("reason");
    QTest::newRow("tag changed") << audio + trailer("Run") << "its tag has changed since";
    QTest::newRow("length changed") << audio + "x" + newTrailer << "its length has changed since";
    QTest::newRow("old name taken") << QByteArray("taken") << "another file is called";
    QTest::newRow("another file") << QByteArray("other") << "another file now";
}

void TestJournal::undoIsRefusedWhenTheFileMovedOn()
{
    QFETCH(QByteArray, replacement);
    QFETCH(QString, reason);
    TempFolder folder, state;
    SaveJournal journal(state.path());
    QVERIFY(writeFile(folder.file("a.mp3"), audio + oldTrailer));
    QVERIFY(save(journal, folder.file("a.mp3"), "b.mp3").status);
    if (replacement == "taken") {
        QVERIFY(writeFile(folder.file("a.mp3"), "another song"));
    } else if (replacement == "other") {
        QVERIFY(writeFile(folder.file("c.mp3"), audio + newTrailer));  // made while b.mp3 holds its inode
        QVERIFY(::rename(folder.file("c.mp3").constData(), folder.file("b.mp3").constData()) == 0);
    } else {
        QVERIFY(writeFile(folder.file("b.mp3"), replacement));
    }
    const auto before = everything(folder.path());
    const FileStatus undone = undoChange(journal, journal.records().front(), false);
    QVERIFY(!undone);
    QVERIFY2(undone.description().contains(reason), qPrintable(undone.description()));
    QCOMPARE(everything(folder.path()), before);
    QCOMPARE(journal.records().size(), size_t(1));  // nothing journalled either
}

void TestJournal::recoveryPutsRightWhatACrashLeft_data()
{
    QTest::addColumn<QByteArray>("left");  // the bytes the crash left under the old name
    QTest::addColumn<bool>("twoNames");    // also linked under the new name
    QTest::addColumn<QByteArray>("oldBytes");  // after recovery, under the old name (empty: none)
    QTest::addColumn<QByteArray>("newBytes");  // after recovery, under the new name (empty: none)
    QTest::addColumn<QString>("message");
    QTest::addColumn<State>("state");
    QTest::addColumn<bool>("sameTrailer");  // a rename that writes the trailer the file has
    const QByteArray before = audio + oldTrailer, after = audio + newTrailer;
    QTest::newRow("untouched") << before << false << before << QByteArray() << "permissions were put back" << State::Nothing << false;
    QTest::newRow("untouched, the same trailer") << before << false << before << QByteArray()
                                                 << "permissions were put back" << State::Nothing << true;
    QTest::newRow("trailer written") << after << false << after << QByteArray() << QString() << State::KeptName << false;
    QTest::newRow("trailer half written") << audio + newTrailer.left(64) + oldTrailer.mid(64) << false << before
                                          << QByteArray() << "was put back as it was before" << State::Nothing << false;
    QTest::newRow("between link and unlink") << after << true << QByteArray() << after << "was completed" << State::Done << false;
    QTest::newRow("neither") << audio + trailer("Other") << false << audio + trailer("Other") << QByteArray()
                             << "is neither as it was before" << State::Left << false;
}

void TestJournal::recoveryPutsRightWhatACrashLeft()
{
    QFETCH(QByteArray, left);
    QFETCH(bool, twoNames);
    QFETCH(QByteArray, oldBytes);
    QFETCH(QByteArray, newBytes);
    QFETCH(QString, message);
    QFETCH(State, state);
    QFETCH(bool, sameTrailer);
    TempFolder folder, stateFolder;
    QVERIFY(writeFile(folder.file("a.mp3"), audio + oldTrailer));
    QVERIFY(::chmod(folder.file("a.mp3").constData(), 0444) == 0);
    JournalRecord record = saveRecordOf(folder.path(), "a.mp3", "b.mp3");
    if (sameTrailer)
        record.newTail = record.oldTail;
    {
        SaveJournal crashed(stateFolder.path());
        QVERIFY(crashed.begin(record));
    }  // the process is gone: its lock with it
    QVERIFY(::chmod(folder.file("a.mp3").constData(), 0644) == 0);  // made writable for the save
    QVERIFY(writeFile(folder.file("a.mp3"), left));
    if (twoNames)
        QVERIFY(::link(folder.file("a.mp3").constData(), folder.file("b.mp3").constData()) == 0);

    SaveJournal journal(stateFolder.path());
    const QStringList messages = recoverInterruptedSaves(journal);
    QCOMPARE(journal.record(record.id)->state, state);
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(messages.first().contains(message), qPrintable(messages.first()));
    QCOMPARE(exists(folder.file("a.mp3")), !oldBytes.isEmpty());
    QCOMPARE(exists(folder.file("b.mp3")), !newBytes.isEmpty());
    if (!oldBytes.isEmpty())
        QCOMPARE(readFile(folder.file("a.mp3")), oldBytes);
    if (!newBytes.isEmpty())
        QCOMPARE(readFile(folder.file("b.mp3")), newBytes);
    if (oldBytes == audio + oldTrailer)
        QCOMPARE(modeOf(folder.file("a.mp3")), 0444);  // the read-only bit is back
    QVERIFY(recoverInterruptedSaves(journal).isEmpty());  // said once
}

// Records no save of this program wrote, put in the journal's database by hand: each is refused
// with a message, and no file, inside the folder or outside it, is written, moved or chmod-ed.
void TestJournal::craftedRecordsTouchNothing_data()
{
    QTest::addColumn<QByteArray>("craft");  // what is changed in an honest record
    QTest::addColumn<bool>("asUndo");      // a finished save's unfinished undo; else an unfinished save
    QTest::addColumn<bool>("byCommand");   // the record is undone by hand instead of at start
    QTest::addColumn<QString>("message");
    QTest::newRow("mode 6777, at start") << QByteArray("mode 6777") << false << false << "permissions beyond";
    QTest::newRow("undo to mode 4755") << QByteArray("modeAfter 4755") << true << false << "permissions beyond";
    QTest::newRow("undo to a mode the save did not see") << QByteArray("modeAfter 777") << true << false << "does not match";
    QTest::newRow("../ as the old name") << QByteArray("oldName ../elsewhere/x.mp3") << false << false << "not a plain name";
    QTest::newRow("../ as the new name, undone") << QByteArray("newName ../elsewhere/x.mp3") << false << true << "not a plain name";
    QTest::newRow("undo to ../") << QByteArray("newName ../elsewhere/x.mp3") << true << false << "not a plain name";
    QTest::newRow("name ..") << QByteArray("oldName ..") << false << false << "not a plain name";
    QTest::newRow("name .") << QByteArray("newName .") << false << false << "not a plain name";
    QTest::newRow("folder relative") << QByteArray("folder elsewhere") << false << false << "not an absolute path";
    QTest::newRow("folder with ..") << QByteArray("folder /..") << false << false << "not a plain path";
    QTest::newRow("folder through a link") << QByteArray("folder link") << false << false << "cannot be opened";
    QTest::newRow("folder elsewhere") << QByteArray("folder outside") << false << false << "no longer there";
    QTest::newRow("tail for a file never saved") << QByteArray("inode other") << false << false << "no longer there";
    QTest::newRow("tail for a file never saved, undone") << QByteArray("inode other") << false << true << "another file now";
    QTest::newRow("a trailer of 5 bytes") << QByteArray("newTail short") << false << false << "not 128 bytes";
    QTest::newRow("a trailer written over a short file") << QByteArray("length 50") << false << false << "does not hold";
    // Values no version writes, set in the database by hand ("column NAME SQL").
    QTest::newRow("mode_before NULL, undone") << QByteArray("column mode_before NULL") << false << true << "mode_before is missing";
    QTest::newRow("mode_before NULL, at start") << QByteArray("column mode_before NULL") << false << false << "mode_before is missing";
    QTest::newRow("undo to mode_after text") << QByteArray("column mode_after 'rw'") << true << false << "mode_after is missing";
    QTest::newRow("device NULL, undone") << QByteArray("column device NULL") << false << true << "device is missing";
}

void TestJournal::craftedRecordsTouchNothing()
{
    QFETCH(QByteArray, craft);
    QFETCH(bool, asUndo);
    QFETCH(bool, byCommand);
    QFETCH(QString, message);
    TempFolder top, state;
    const QByteArray folder = top.subfolder("music"), outside = top.subfolder("elsewhere");
    QVERIFY(writeFile(folder + "/a.mp3", audio + oldTrailer));
    QVERIFY(writeFile(outside + "/x.mp3", audio + oldTrailer));
    QVERIFY(writeFile(outside + "/a.mp3", audio + oldTrailer));
    QVERIFY(::symlink(folder.constData(), top.file("link").constData()) == 0);
    QVERIFY(::chmod((folder + "/a.mp3").constData(), 0444) == 0);

    JournalRecord record = saveRecordOf(folder, "a.mp3", "a.mp3");
    const QList<QByteArray> words = craft.split(' ');
    const QByteArray &what = words[0], &value = words[1];
    // The NOT NULL of the schema lifted, as a database of another making may lack it.
    const auto setColumn = [&](qint64 id) {
        if (what != "column")
            return;
        sqlite3 *db = nullptr;
        const QByteArray path = state.file("journal.sqlite");
        for (const QByteArray &sql : {QByteArray("PRAGMA writable_schema=ON; UPDATE sqlite_schema SET sql = replace(sql, 'NOT NULL', '')"
                                      " WHERE name = 'change'"),
                                      "UPDATE change SET " + value + " = " + words[2] + " WHERE id = " + QByteArray::number(id)}) {
            QCOMPARE(sqlite3_open(path.constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
    };
    const auto craftInto = [&](JournalRecord &r) {
        if (what == "mode")
            r.mode = value.toInt(nullptr, 8);
        else if (what == "modeAfter")
            r.modeAfter = value.toInt(nullptr, 8);
        else if (what == "oldName")
            r.oldName = value;
        else if (what == "newName")
            r.newName = value;
        else if (what == "folder")
            r.folder = value == "link" ? top.file("link") : value == "outside" ? outside : value;
        else if (what == "inode")
            r.inode += 1000;
        else if (what == "newTail")
            r.newTail = "short";
        else if (what == "length")
            r.lengthBefore = value.toLongLong();
    };
    JournalStore store(state.path());
    QVERIFY(store.open(true));
    if (asUndo) {
        // A save that finished, and an undo of it cut short before its bytes.
        record.state = State::Done;
        QVERIFY(writeFile(folder + "/a.mp3", audio + newTrailer));
        QVERIFY(store.insert(record));
        JournalRecord undo = record;
        undo.undoes = record.id;
        undo.batch = 0;
        std::swap(undo.oldTail, undo.newTail);
        std::swap(undo.oldName, undo.newName);
        undo.modeAfter = record.mode;
        undo.state = State::Begun;
        craftInto(undo);
        QVERIFY(store.insert(undo));
        setColumn(undo.id);
    } else {
        craftInto(record);
        record.state = byCommand ? State::Done : State::Begun;
        if (byCommand)
            QVERIFY(writeFile(folder + "/a.mp3", audio + newTrailer));
        QVERIFY(store.insert(record));
        setColumn(record.id);
    }
    const auto inside = everything(folder), beside = everything(outside);

    SaveJournal journal(state.path());
    QStringList messages = recoverInterruptedSaves(journal);
    if (byCommand)
        messages << undoChange(journal, *journal.record(record.id), false).description();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(message), qPrintable(messages.first()));
    QCOMPARE(everything(folder), inside);
    QCOMPARE(everything(outside), beside);
    QVERIFY(journal.unfinished().empty());  // reported and left: never tried again
    QVERIFY(recoverInterruptedSaves(journal).isEmpty());
}

// Whatever stands in the state folder where the journal's files belong: nothing is saved, a
// message names what is wrong, nothing is written through it, and nothing waits.
void TestJournal::aHostileStateFolderIsRefused_data()
{
    QTest::addColumn<QByteArray>("plant");  // what stands where
    QTest::addColumn<QString>("message");
    QTest::newRow("state home a regular file") << QByteArray("home file") << "is a regular file, not a folder";
    QTest::newRow("folder a regular file") << QByteArray("folder file") << "is a regular file, not a folder";
    QTest::newRow("folder a link") << QByteArray("folder link") << "is a link, not a folder";
    QTest::newRow("journal a link to /dev/zero") << QByteArray("journal.sqlite zero") << "is a link";
    QTest::newRow("journal a link to a file") << QByteArray("journal.sqlite target") << "is a link";
    QTest::newRow("journal a FIFO") << QByteArray("journal.sqlite fifo") << "is a FIFO";
    QTest::newRow("wal a link") << QByteArray("journal.sqlite-wal target") << "is a link";
    QTest::newRow("wal a FIFO") << QByteArray("journal.sqlite-wal fifo") << "is a FIFO";
    QTest::newRow("shm a link") << QByteArray("journal.sqlite-shm target") << "is a link";
    QTest::newRow("lock a link") << QByteArray("journal.lock target") << "is a link";
    QTest::newRow("not SQLite") << QByteArray("journal.sqlite text") << "damaged or not a journal";
    QTest::newRow("damaged SQLite") << QByteArray("journal.sqlite damaged") << "damaged or not a journal";
    QTest::newRow("another SQLite database") << QByteArray("journal.sqlite other") << "not a journal of saves";
}

void TestJournal::aHostileStateFolderIsRefused()
{
    QFETCH(QByteArray, plant);
    QFETCH(QString, message);
    TempFolder top, music;
    const QByteArray home = top.file("state"), folder = home + "/velmora", target = top.file("target");
    QVERIFY(writeFile(target, "not the journal"));
    QVERIFY(writeFile(music.file("a.mp3"), audio + oldTrailer));
    const QList<QByteArray> words = plant.split(' ');
    const QByteArray &where = words[0], &what = words[1];
    if (where == "home") {
        QVERIFY(writeFile(home, "x"));
    } else {
        QVERIFY(::mkdir(home.constData(), 0700) == 0);
        if (where == "folder") {
            QVERIFY(what == "file" ? writeFile(folder, "x") : ::symlink(top.path().constData(), folder.constData()) == 0);
        } else {
            QVERIFY(::mkdir(folder.constData(), 0700) == 0);
            const QByteArray path = folder + '/' + where;
            if (what == "zero" || what == "target")
                QVERIFY(::symlink(what == "zero" ? "/dev/zero" : target.constData(), path.constData()) == 0);
            else if (what == "fifo")
                QVERIFY(::mkfifo(path.constData(), 0600) == 0);
            else if (what == "text")
                QVERIFY(writeFile(path, QByteArray(8192, 'x')));
            else if (what == "damaged") {
                {
                    JournalStore store(folder);
                    QVERIFY(store.open(true));
                }
                QByteArray bytes = readFile(path);
                bytes.replace(100, 200, QByteArray(200, '\xff'));
                QVERIFY(writeFile(path, bytes));
            } else if (what == "other") {
                sqlite3 *db = nullptr;
                QCOMPARE(sqlite3_open(path.constData(), &db), SQLITE_OK);
                QCOMPARE(sqlite3_exec(db, "CREATE TABLE songs (name TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
                sqlite3_close(db);
            }
        }
    }
    const QByteArray targetBefore = readFile(target);
    SaveJournal journal(folder);
    journal.setBusyTimeout(100);
    const TagSaveResult saved = save(journal, music.file("a.mp3"));
    QVERIFY(!saved.status);
    QVERIFY2(saved.status.description().contains(message), qPrintable(saved.status.description()));
    QCOMPARE(readFile(music.file("a.mp3")), audio + oldTrailer);
    QCOMPARE(readFile(target), targetBefore);
    QVERIFY(!exists(top.path() + "/journal.sqlite"));
    const QStringList atStart = recoverInterruptedSaves(journal);  // says so at start too, never blocks
    QVERIFY(atStart.isEmpty() || atStart.first().contains(message));
}

// The state folder is the user's own: a link there (a home on another disk) is followed, and the
// journal lands where it leads.
void TestJournal::aStateHomeThatIsALinkIsFollowed()
{
    TempFolder top, music;
    const QByteArray real = top.subfolder("real"), home = top.file("state");
    QCOMPARE(::symlink(real.constData(), home.constData()), 0);
    QVERIFY(writeFile(music.file("a.mp3"), audio + oldTrailer));
    SaveJournal journal(home + "/velmora");
    const TagSaveResult saved = save(journal, music.file("a.mp3"));
    QVERIFY2(saved.status, qPrintable(saved.status.description()));
    QVERIFY(exists(real + "/velmora/journal.sqlite"));
}

void TestJournal::aBusyDatabaseIsWaitedForThenRefused()
{
    TempFolder folder, state;
    QVERIFY(writeFile(folder.file("a.mp3"), audio + oldTrailer));
    SaveJournal journal(state.path());
    journal.setBusyTimeout(300);
    QVERIFY(save(journal, folder.file("a.mp3")).status);  // made
    sqlite3 *other = nullptr;
    QCOMPARE(sqlite3_open((state.path() + "/journal.sqlite").constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    QElapsedTimer waited;
    waited.start();
    const TagSaveResult refused = save(journal, folder.file("a.mp3"));
    QVERIFY(waited.elapsed() >= 250);
    QVERIFY(!refused.status);
    QVERIFY2(refused.status.description().contains("held by another process")
                 && refused.status.description().endsWith("this file was not changed."),
             qPrintable(refused.status.description()));
    QCOMPARE(readFile(folder.file("a.mp3")), audio + newTrailer);  // left as the first save made it
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QVERIFY(save(journal, folder.file("a.mp3")).status);
    QCOMPARE(journal.records().size(), size_t(2));
}

// An undo stopped after its bytes (here: its record says so, as a kill leaves it) is finished
// when the change is undone again, or the undo named: the mode and the name follow.
void TestJournal::aPendingUndoIsFinishedByUndoingAgain_data()
{
    QTest::addColumn<bool>("namingTheUndo");
    QTest::newRow("undo of the save") << false;
    QTest::newRow("undo of the undo") << true;
}

void TestJournal::aPendingUndoIsFinishedByUndoingAgain()
{
    QFETCH(bool, namingTheUndo);
    TempFolder folder, state;
    QVERIFY(writeFile(folder.file("a.mp3"), audio + oldTrailer));
    QVERIFY(::chmod(folder.file("a.mp3").constData(), 0444) == 0);
    SaveJournal journal(state.path());
    QVERIFY(save(journal, folder.file("a.mp3"), "b.mp3").status);
    const JournalRecord saved = journal.records().front();
    JournalStore store(state.path());
    QVERIFY(store.open(false));
    JournalRecord undo = saved;
    undo.undoes = saved.id;
    undo.batch = 0;
    undo.oldName = "b.mp3";
    undo.newName = "a.mp3";
    std::swap(undo.oldTail, undo.newTail);
    undo.mode = 0644;
    undo.modeAfter = 0444;
    undo.state = State::Bytes;
    QVERIFY(store.insert(undo));
    QVERIFY(writeFile(folder.file("b.mp3"), audio + oldTrailer));  // the bytes were back
    QVERIFY(undoChange(journal, namingTheUndo ? *journal.record(undo.id) : saved, false));
    QCOMPARE(namesIn(folder.path()), QStringList{"a.mp3"});
    QCOMPARE(readFile(folder.file("a.mp3")), audio + oldTrailer);
    QCOMPARE(modeOf(folder.file("a.mp3")), 0444);
    QCOMPARE(journal.record(undo.id)->state, State::Done);
    QCOMPARE(journal.record(saved.id)->undoneBy, undo.id);
}

void TestJournal::theTextJournalIsImportedOnce()
{
    TempFolder folder, state, fifo;
    QVERIFY(writeFile(folder.file("a.mp3"), audio + newTrailer));  // as the old save left it
    JournalRecord old = saveRecordOf(folder.path(), "a.mp3", "a.mp3");
    old.id = 7;
    old.batch = 7;
    QVERIFY(writeFile(state.file("journal"), "velmora-journal 1\n" + JournalFormat::recordLine(old) + "damaged line\n"));
    SaveJournal journal(state.path());
    const QStringList messages = recoverInterruptedSaves(journal);
    QVERIFY2(messages.join('\n').contains("imported (1 changes)"), qPrintable(messages.join('\n')));
    QVERIFY(exists(state.file("journal.imported")) && !exists(state.file("journal")));
    const std::vector<JournalRecord> records = journal.records();
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records.front().state, State::Done);  // looked at and found whole
    QVERIFY(undoChange(journal, records.front(), false));
    QCOMPARE(readFile(folder.file("a.mp3")), audio + oldTrailer);

    // One that cannot be read is left as it is, with a message, and the journal works on.
    QVERIFY(::mkfifo(fifo.file("journal").constData(), 0600) == 0);
    SaveJournal other(fifo.path());
    const QStringList said = recoverInterruptedSaves(other);
    QVERIFY2(said.join('\n').contains("cannot be read (it is a FIFO)"), qPrintable(said.join('\n')));
    QVERIFY(exists(fifo.file("journal")));
    QVERIFY(save(other, folder.file("a.mp3")).status);
}

// A journal file of 0 bytes (a disk that filled, a copy cut short) is begun anew, and said once.
void TestJournal::anEmptyJournalIsSaidOnce()
{
    TempFolder state;
    QVERIFY(writeFile(state.file("journal.sqlite"), {}));
    {
        SaveJournal first(state.path());
        const QStringList said = recoverInterruptedSaves(first);
        QVERIFY2(said.size() == 1 && said.first().contains("started anew"), qPrintable(said.join('\n')));
        SaveJournal meanwhile(state.path());  // while the first has it open
        QVERIFY(recoverInterruptedSaves(meanwhile).isEmpty());
    }
    SaveJournal later(state.path());
    QVERIFY(recoverInterruptedSaves(later).isEmpty());
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
