// The journal of saves in the core: its file survives a damaged tail and stays bounded, an undo
// is refused when the file moved on, and the start-up check puts right each state a crash can
// leave (those the killed command line cannot reach on its own are made here by hand).

#include "support/TestFiles.h"

#include "tags/JournalUndo.h"
#include "tags/SaveJournal.h"
#include "tags/TagCore.h"

#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace TestFiles;

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

// The record a save of path would begin, written without the save: a save cut short before it
// changed anything.
JournalRecord begunSave(SaveJournal &journal, const TempFolder &folder, const QByteArray &name,
                        const QByteArray &newName)
{
    struct stat st;
    ::stat(folder.file(name).constData(), &st);
    JournalRecord record;
    record.folder = folder.path();
    record.oldName = name;
    record.newName = newName;
    record.op = JournalRecord::Op::Write;
    record.lengthBefore = st.st_size;
    record.oldTail = oldTrailer;
    record.newTail = newTrailer;
    record.device = st.st_dev;
    record.inode = st.st_ino;
    record.mode = int(st.st_mode & 07777);
    journal.begin(record);
    return record;
}

}  // namespace

class TestJournal : public QObject {
    Q_OBJECT

private slots:
    void recordsSurviveADamagedTail();
    void trimKeepsTheNewestSaves();
    void undoIsRefusedWhenTheFileMovedOn_data();
    void undoIsRefusedWhenTheFileMovedOn();
    void recoveryPutsRightWhatACrashLeft_data();
    void recoveryPutsRightWhatACrashLeft();
};

void TestJournal::recordsSurviveADamagedTail()
{
    TempFolder folder, state;
    QVERIFY(writeFile(folder.file("a.mp3"), audio + oldTrailer));
    {
        SaveJournal journal(state.path());
        QVERIFY(save(journal, folder.file("a.mp3")).status);
    }
    QVERIFY(writeFile(state.file("journal"), readFile(state.file("journal")) + "S\t2\t2\t0\t17\twrite\t30"));
    SaveJournal journal(state.path());
    QCOMPARE(journal.records().size(), size_t(1));
    QVERIFY(writeFile(folder.file("b.mp3"), audio));
    QVERIFY(save(journal, folder.file("b.mp3")).status);
    const std::vector<JournalRecord> records = journal.records();
    QCOMPARE(records.size(), size_t(2));
    QCOMPARE(records.back().id, 2);
    QCOMPARE(records.back().op, JournalRecord::Op::Append);
    QCOMPARE(records.back().outcome, JournalRecord::Outcome::All);
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
    QCOMPARE(records.front().id, 3);
    QCOMPARE(records.front().outcome, JournalRecord::Outcome::All);
    QVERIFY(save(journal, folder.file("1.mp3")).status);  // appends to the new journal, ids go on
    QCOMPARE(journal.records().back().id, 6);
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
    const QStringList before = namesIn(folder.path());
    const QByteArray bytes = readFile(folder.file("b.mp3"));
    const FileStatus undone = undoChange(journal, journal.records().back(), false);
    QVERIFY(!undone);
    QVERIFY2(undone.description().contains(reason), qPrintable(undone.description()));
    QCOMPARE(namesIn(folder.path()), before);
    QCOMPARE(readFile(folder.file("b.mp3")), bytes);
    QCOMPARE(journal.records().size(), size_t(1));  // nothing journalled either
}

void TestJournal::recoveryPutsRightWhatACrashLeft_data()
{
    QTest::addColumn<QByteArray>("left");  // the bytes the crash left under the old name
    QTest::addColumn<bool>("twoNames");    // also linked under the new name
    QTest::addColumn<QByteArray>("oldBytes");  // after recovery, under the old name (empty: none)
    QTest::addColumn<QByteArray>("newBytes");  // after recovery, under the new name (empty: none)
    QTest::addColumn<QString>("message");
    const QByteArray before = audio + oldTrailer, after = audio + newTrailer;
    QTest::newRow("untouched") << before << false << before << QByteArray() << "permissions were put back";
    QTest::newRow("trailer written") << after << false << after << QByteArray() << QString();
    QTest::newRow("trailer half written") << audio + newTrailer.left(64) + oldTrailer.mid(64) << false << before
                                          << QByteArray() << "was put back as it was before";
    QTest::newRow("between link and unlink") << after << true << QByteArray() << after << "was completed";
    QTest::newRow("neither") << audio + trailer("Other") << false << audio + trailer("Other") << QByteArray()
                             << "is neither as it was before";
}

void TestJournal::recoveryPutsRightWhatACrashLeft()
{
    QFETCH(QByteArray, left);
    QFETCH(bool, twoNames);
    QFETCH(QByteArray, oldBytes);
    QFETCH(QByteArray, newBytes);
    QFETCH(QString, message);
    TempFolder folder, state;
    QVERIFY(writeFile(folder.file("a.mp3"), audio + oldTrailer));
    QVERIFY(::chmod(folder.file("a.mp3").constData(), 0444) == 0);
    {
        SaveJournal crashed(state.path());
        begunSave(crashed, folder, "a.mp3", "b.mp3");
    }  // the process is gone: its lock with it
    QVERIFY(::chmod(folder.file("a.mp3").constData(), 0644) == 0);  // made writable for the save
    QVERIFY(writeFile(folder.file("a.mp3"), left));
    if (twoNames)
        QVERIFY(::link(folder.file("a.mp3").constData(), folder.file("b.mp3").constData()) == 0);

    SaveJournal journal(state.path());
    const QStringList messages = recoverInterruptedSaves(journal);
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
        QVERIFY(!isOwnerWritable(folder.file("a.mp3")));  // the read-only bit is back
    QVERIFY(recoverInterruptedSaves(journal).isEmpty());  // said once
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
