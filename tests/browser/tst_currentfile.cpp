// The record of the current file on real files: what a load puts in it and what a failed load
// leaves.

#include "browser/Mp3Files.h"
#include "session/EditSession.h"
#include "browser/Selection.h"
#include "support/TestFiles.h"
#include "tags/id3v1/GenreList.h"
#include "tags/files/PatternListing.h"

#include <QTest>

#include <sys/stat.h>

using namespace TestFiles;

class TestCurrentFile : public QObject {
    Q_OBJECT

private:
    QStringList m_genres = Genres::buildGenreList();
    EditSession m_session;

    // The folder's MP3 files, listed.
    static void list(Mp3Files &files, const TempFolder &folder)
    {
        files.setPath(folder.path());
        files.setPattern(mp3Pattern());
        QVERIFY(files.refresh());
    }

private slots:
    void aReadableFileBecomesCurrent()
    {
        TempFolder folder;
        QVERIFY(writeFile(folder.file("a.mp3"), song(500)));
        QVERIFY(writeFile(folder.file("b.mp3"), song(700, trailer("Bee", "Buzz", "", "", "", 17))));
        Mp3Files files;
        list(files, folder);
        Selection record(files, m_session, m_genres);
        QVERIFY(record.load(1, folder.path() + '/'));
        QCOMPARE(record.entry(), 1);
        QCOMPARE(m_session.SelectedIndex(), 2);
        QCOMPARE(m_session.CurrentPath(), folder.file("b.mp3"));
        QCOMPARE(record.CurrentTag().Artist, QStringLiteral("Buzz"));
        QCOMPARE(record.CurrentTag().Genre, QStringLiteral("Rock"));
        QCOMPARE(record.fileName(), QStringLiteral("b.mp3"));

        record.deselect();  // the name goes, the rest stays until the next load
        QCOMPARE(record.entry(), -1);
        QCOMPARE(m_session.CurrentPath(), folder.file("b.mp3"));
    }

    void anUnreadableFileLeavesTheRecordAlone_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::newRow("removed since the listing") << QByteArray("removed");
        QTest::newRow("a FIFO in its place") << QByteArray("fifo");
    }

    void anUnreadableFileLeavesTheRecordAlone()
    {
        QFETCH(QByteArray, kind);
        TempFolder folder;
        QVERIFY(writeFile(folder.file("a.mp3"), song(500, trailer("Kept"))));
        QVERIFY(writeFile(folder.file("b.mp3"), song(500, trailer("Other"))));
        Mp3Files files;
        list(files, folder);
        Selection record(files, m_session, m_genres);
        QVERIFY(record.load(0, folder.path() + '/'));
        QVERIFY(::unlink(folder.file("b.mp3").constData()) == 0);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(folder.file("b.mp3").constData(), 0644), 0);
        QVERIFY(!record.load(1, folder.path() + '/'));
        QCOMPARE(record.entry(), 0);
        QCOMPARE(m_session.CurrentPath(), folder.file("a.mp3"));
        QCOMPARE(record.CurrentTag().Title, QStringLiteral("Kept"));
    }

    void aNewNameThatIsTheFilesOwnKeepsItsBytes()
    {
        TempFolder folder;
        const QByteArray raw("caf\xe9.mp3");
        QVERIFY(writeFile(folder.file(raw), song(500)));
        Mp3Files files;
        list(files, folder);
        Selection record(files, m_session, m_genres);
        QVERIFY(record.load(0, folder.path() + '/'));
        QCOMPARE(record.nameBytes(record.fileName()), raw);
        QCOMPARE(record.nameBytes(QStringLiteral("caf\u00e9.mp3")), QByteArray("caf\xc3\xa9.mp3"));
    }
};

QTEST_GUILESS_MAIN(TestCurrentFile)
#include "tst_currentfile.moc"
