// A save that keeps the file's times: both exactly as they were before it (to the nanosecond), through
// an overwrite, an append and a rename; without it, the time is the save's; and where the system
// refuses, the tag is written and the failure says so.

#include "support/TestFiles.h"

#include "tags/trailer/TagCore.h"

#include <QDateTime>
#include <QTest>

#include <sys/stat.h>

using namespace TestFiles;

class TestFileTimes : public QObject {
    Q_OBJECT

private slots:
    void saves_data();
    void saves();
    void aFileOfAnotherOwnerKeepsTheWrittenTag();
};

void TestFileTimes::saves_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("newName");
    QTest::addColumn<bool>("keepTimes");
    const QByteArray tagged = song(4000, trailer("Old"));
    QTest::newRow("kept: overwrite") << tagged << QByteArray() << true;
    QTest::newRow("kept: append") << song(4000) << QByteArray() << true;
    QTest::newRow("kept: with rename") << tagged << QByteArray("Band-New.MP3") << true;
    QTest::newRow("not kept") << tagged << QByteArray() << false;
    QTest::newRow("not kept: with rename") << tagged << QByteArray("Band-New.MP3") << false;
}

void TestFileTimes::saves()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, newName);
    QFETCH(bool, keepTimes);
    TempFolder folder;
    QVERIFY(writeFile(folder.file("a.mp3"), bytes));
    QVERIFY(setTimes(folder.file("a.mp3"), oldTimes));
    const TagReading reading = readTagFile(folder.file("a.mp3"));
    QVERIFY(setTimes(folder.file("a.mp3"), oldTimes));  // again: the read moved the access time
    TagSave request;
    request.path = folder.file("a.mp3");
    request.fields.title = "New";
    request.fields.artist = "Band";
    request.newName = newName;
    request.expected = reading.identity;
    request.keepTimes = keepTimes;
    const TagSaveResult saved = saveTagFile(request);
    QVERIFY2(saved.status, qPrintable(saved.status.description()));
    QCOMPARE(saved.path, folder.file(newName.isEmpty() ? "a.mp3" : newName));
    const FileTimes after = timesOf(saved.path);  // before the read below moves the access time
    QCOMPARE(readFile(saved.path).right(128), trailer("New", "Band"));
    if (keepTimes) {
        QCOMPARE(after.modifiedNs, oldTimes.modifiedNs);
        QCOMPARE(after.accessNs, oldTimes.accessNs);
    } else {
        const qint64 now = QDateTime::currentMSecsSinceEpoch() * 1000000;
        QVERIFY(qAbs(now - after.modifiedNs) < qint64(60) * 1000000000);
    }
}

// Only the owner may set a file's times; a file that others may write gets its tag all the same.
void TestFileTimes::aFileOfAnotherOwnerKeepsTheWrittenTag()
{
    if (!ActAsUser::needed())
        QSKIP("needs root, to act as a user who does not own the file");
    TempFolder folder;
    QVERIFY(writeFile(folder.file("shared.mp3"), song(1000, trailer("Old"))));
    QVERIFY(::chmod(folder.file("shared.mp3").constData(), 0666) == 0);
    QVERIFY(setTimes(folder.file("shared.mp3"), oldTimes));
    TagSave request;
    request.path = folder.file("shared.mp3");
    request.fields.title = "Shared";
    request.newName = "renamed.mp3";
    request.keepTimes = true;
    TagSaveResult saved;
    {
        ActAsUser user;
        saved = saveTagFile(request);
    }
    QVERIFY(!saved.status);
    QVERIFY(saved.written);
    QVERIFY2(saved.status.description().startsWith("The tag is written, but the file's times could not be kept"),
             qPrintable(saved.status.description()));
    QCOMPARE(readFile(folder.file("shared.mp3")).right(128), trailer("Shared"));
    QCOMPARE(namesIn(folder.path()), QStringList{"shared.mp3"});
}

QTEST_GUILESS_MAIN(TestFileTimes)
#include "tst_filetimes.moc"
