// What a read puts into the program-wide tag, the genre variables, the editing panel and the
// list, through the real main window on real files. What a read finds in a file: tst_tagcore.

#include "support/EditorTestHelpers.h"

#include "app/FrmMain.h"
#include "browser/GenreBox.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"

#include <QLineEdit>
#include <QtTest>

using namespace EditorTest;

class TestReading : public FolderTestCase {
    Q_OBJECT

private slots:
    void untaggedFilesEmptyThePanelAndKeepTheGenreOfTheLastTag()
    {
        QVERIFY(writeFile(file("a.mp3"), trailer("Alpha", "Ann", "First", "1999", "c", 17)));
        QVERIFY(writeFile(file("b.mp3"), trailer("Delta").left(127)));
        Window w(m_folder);
        QCOMPARE(w.row(0), QStringList({"a.mp3", "Alpha", "Ann", "First", "1999", "c", "Rock"}));
        QCOMPARE(w.row(1).mid(1), QStringList(6, QString()));

        w.clickRow(0);
        QCOMPARE(w.panel(), QStringList({"Alpha", "Ann", "First", "1999", "c", "Rock"}));
        w.clickRow(1);
        QCOMPARE(w.panel(), QStringList(6, QString()));
        QCOMPARE(w->editor().CurrentTag().Title, QString());
        QCOMPARE(w->editor().CurrentTag().Genre, QString());
        // An untagged file leaves the genre variable of the last tag alone: a genre text that
        // names no entry saves it.
        w.CmbGenre->setText(QStringLiteral("No such genre"));
        w.save();
        QCOMPARE(quint8(readFile(file("b.mp3")).back()), quint8(17));
        QCOMPARE(log.texts, QStringList());
    }

    void thePanelAndTheListShowTheFieldsAsRead()
    {
        // Title of 30 spaces; leading spaces kept; a NUL and what follows it kept; a byte of the
        // code page above 0x7F.
        QVERIFY(writeFile(file("x.mp3"),
                          song(3000, trailer(QByteArray(30, ' '), "  Lead", QByteArray("Ab\0cd", 5), "99 ",
                                             "Caf\xe9", 0))));
        Window w(m_folder);
        w.clickRow(0);
        const QString album = QString::fromLatin1("Ab\0cd", 5);
        QCOMPARE(w.panel(), QStringList({"", "  Lead", album, "99", "Caf\u00e9", "Blues"}));
        QCOMPARE(w.row(0), QStringList({"x.mp3", "", "  Lead", album, "99", "Caf\u00e9", "Blues"}));
        QCOMPARE(w->editor().CurrentTag().Album, album);
    }

    void genreWithoutNameAndTheKeepBoxes()
    {
        QVERIFY(writeFile(file("a.mp3"), song(500, trailer("One", "Artist A", "Alb", "2001", "", 200))));
        QVERIFY(writeFile(file("b.mp3"), song(500, trailer("Two", "Artist B", "Alb", "2002", "", 13))));
        Window w(m_folder);
        QCOMPARE(w.row(0)[6], QString());  // no name: empty column

        w.clickRow(0);
        QCOMPARE(w.CmbGenre->text(), QStringLiteral("Unknown"));
        QCOMPARE(w->editor().CurrentTag().Genre, QString());

        // Kept boxes are left alone; CurrentTag always describes the file just read.
        w.typeInto(1, QStringLiteral("Typed Artist"));
        w.setKeep(1, true);
        w.pickGenre(QStringLiteral("Jazz"));
        w.setKeep(5, true);
        w.clickRow(1);
        QCOMPARE(w.panel(), QStringList({"Two", "Typed Artist", "Alb", "2002", "", "Jazz"}));
        QCOMPARE(w->editor().CurrentTag().Artist, QStringLiteral("Artist B"));
        QCOMPARE(w->editor().CurrentTag().Genre, QStringLiteral("Pop"));
        w.clickRow(0);
        QCOMPARE(w.CmbGenre->text(), QStringLiteral("Jazz"));
        QCOMPARE(w.TxtDispTag[1]->text(), QStringLiteral("Typed Artist"));
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("One"));
    }

    void theProposalIsBuiltFromWhatWasRead()
    {
        QVERIFY(writeFile(file("track01.mp3"), song(800, trailer("Morning Walk", "Red Kettle"))));
        QVERIFY(writeFile(file("track02.mp3"), song(800)));
        Window w(m_folder, Names::Long);
        w.clickRow(0);
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("Red Kettle-Morning Walk.MP3"));
        w->state().SupportLFN = false;
        w.clickRow(0);
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("REDKMORN.MP3"));
        // Without a song name the proposal is the file's own name.
        w.clickRow(1);
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("track02.mp3"));
    }
};

QTEST_MAIN(TestReading)
#include "tst_reading.moc"
