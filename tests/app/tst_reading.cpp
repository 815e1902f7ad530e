// Reading a file's trailer into the program-wide tag, the genre variables and the editing panel,
// through the real main window on real files.

#include "EditorTestHelpers.h"

#include "FrmMain.h"
#include "GenreBox.h"
#include "Mp3List.h"
#include "TagEditor.h"

#include <QLineEdit>
#include <QtTest>

using namespace EditorTest;

class TestReading : public QObject {
    Q_OBJECT

private:
    QByteArray m_folder;
    std::unique_ptr<TempFolder> m_dir;

    QByteArray file(const char *name) const { return m_folder + '/' + name; }

private slots:
    void init()
    {
        m_dir = std::make_unique<TempFolder>();
        QVERIFY(m_dir->isValid());
        m_folder = m_dir->path();
    }

    void shortAndExactFilesAndTheGenreOfTheLastTag()
    {
        QVERIFY(writeFile(file("a.mp3"), trailer("Alpha", "Ann", "First", "1999", "c", 17)));  // 128 bytes
        QVERIFY(writeFile(file("b.mp3"), song(127)));
        QVERIFY(writeFile(file("c.mp3"), QByteArray()));
        // The last 127 bytes of d begin with "TAG": without a whole trailer it is still untagged.
        QVERIFY(writeFile(file("d.mp3"), trailer("Delta").left(127)));
        MessageLog log;
        Window w;
        QVERIFY(w.openFolder(m_folder));
        QCOMPARE(w->lv1->rowCount(), 4);
        QCOMPARE(w.row(0), QStringList({"a.mp3", "Alpha", "Ann", "First", "1999", "c", "Rock"}));
        for (int r = 1; r < 4; ++r)
            QCOMPARE(w.row(r).mid(1), QStringList(6, QString()));

        w.clickRow(0);
        QCOMPARE(w.panel(), QStringList({"Alpha", "Ann", "First", "1999", "c", "Rock"}));
        QCOMPARE(w->editor().genreNumber(), quint8(17));
        QVERIFY(!w->editor().tagFile().isOpen());

        for (int r = 1; r < 4; ++r) {
            w.clickRow(r);
            QCOMPARE(w.panel(), QStringList(6, QString()));
            QCOMPARE(w->state().CurrentTag.Title, QString());
            QCOMPARE(w->state().CurrentTag.Genre, QString());
            // An untagged file leaves the genre variables of the last tag alone.
            QCOMPARE(w->editor().genreNumber(), quint8(17));
            QCOMPARE(w->editor().genreByte(), quint8(17));
            QVERIFY(!w->editor().tagFile().isOpen());
        }
        QCOMPARE(log.texts, QStringList());
    }

    void fieldsAreTrimmedOfTrailingSpacesOnly()
    {
        // Title of 30 spaces; leading spaces kept; a NUL and what follows it kept; a byte of the
        // code page above 0x7F.
        QVERIFY(writeFile(file("x.mp3"),
                          song(3000, trailer(QByteArray(30, ' '), "  Lead", QByteArray("Ab\0cd", 5), "99 ",
                                             "Caf\xe9", 0))));
        Window w;
        QVERIFY(w.openFolder(m_folder));
        w.clickRow(0);
        const TagRecord &tag = w->state().CurrentTag;
        QCOMPARE(tag.Title, QString());
        QCOMPARE(tag.Artist, QStringLiteral("  Lead"));
        QCOMPARE(tag.Album, QString::fromLatin1("Ab\0cd", 5));
        QCOMPARE(tag.Year, QStringLiteral("99"));
        QCOMPARE(tag.Comment, QStringLiteral("Caf\u00e9"));
        QCOMPARE(tag.Genre, QStringLiteral("Blues"));
        QCOMPARE(w.panel(), QStringList({"", "  Lead", QString::fromLatin1("Ab\0cd", 5), "99", "Caf\u00e9", "Blues"}));
        QCOMPARE(w.row(0), QStringList({"x.mp3", "", "  Lead", QString::fromLatin1("Ab\0cd", 5), "99", "Caf\u00e9", "Blues"}));
    }

    void genreWithoutNameAndTheKeepBoxes()
    {
        QVERIFY(writeFile(file("a.mp3"), song(500, trailer("One", "Artist A", "Alb", "2001", "", 200))));
        QVERIFY(writeFile(file("b.mp3"), song(500, trailer("Two", "Artist B", "Alb", "2002", "", 13))));
        Window w;
        QVERIFY(w.openFolder(m_folder));
        QCOMPARE(w.row(0)[6], QString());  // no name: empty column

        w.clickRow(0);
        QCOMPARE(w->CmbGenre->text(), QStringLiteral("Unknown"));
        QCOMPARE(w->state().CurrentTag.Genre, QString());
        QCOMPARE(w->editor().genreByte(), quint8(200));

        // Kept boxes are left alone; CurrentTag always describes the file just read.
        w.typeInto(1, QStringLiteral("Typed Artist"));
        w.setKeep(1, true);
        w.pickGenre(QStringLiteral("Jazz"));
        w.setKeep(5, true);
        w.clickRow(1);
        QCOMPARE(w.panel(), QStringList({"Two", "Typed Artist", "Alb", "2002", "", "Jazz"}));
        QCOMPARE(w->state().CurrentTag.Artist, QStringLiteral("Artist B"));
        QCOMPARE(w->state().CurrentTag.Genre, QStringLiteral("Pop"));
        w.clickRow(0);
        QCOMPARE(w->CmbGenre->text(), QStringLiteral("Jazz"));
        QCOMPARE(w->TxtDispTag[1]->text(), QStringLiteral("Typed Artist"));
        QCOMPARE(w->TxtDispTag[0]->text(), QStringLiteral("One"));
    }

    void theProposalIsBuiltFromWhatWasRead()
    {
        QVERIFY(writeFile(file("track01.mp3"), song(800, trailer("Morning Walk", "Red Kettle"))));
        QVERIFY(writeFile(file("track02.mp3"), song(800)));
        Window w;
        w->state().SupportLFN = true;
        QVERIFY(w.openFolder(m_folder));
        w.clickRow(0);
        QCOMPARE(w->TxtNewFilename->text(), QStringLiteral("Red Kettle-Morning Walk.MP3"));
        w->state().SupportLFN = false;
        w.clickRow(0);
        QCOMPARE(w->TxtNewFilename->text(), QStringLiteral("REDKMORN.MP3"));
        // Without a song name the proposal is the file's own name.
        w.clickRow(1);
        QCOMPARE(w->TxtNewFilename->text(), QStringLiteral("track02.mp3"));
    }

    void readTagOnTheSlotAndWithNothingOpen()
    {
        QVERIFY(writeFile(file("s.mp3"), song(200, trailer("Slot", "Reader"))));
        MessageLog log;
        Window w;
        TagEditor &editor = w->editor();
        QVERIFY(editor.tagFile().openForReading(file("s.mp3")).ok());
        editor.ReadTag();
        QVERIFY(!editor.tagFile().isOpen());
        QCOMPARE(w->state().CurrentTag.Title, QStringLiteral("Slot"));
        QCOMPARE(w->TxtDispTag[1]->text(), QStringLiteral("Reader"));
        QCOMPARE(log.texts, QStringList());

        // Nothing open: the system's description, and nothing read is changed.
        editor.ReadTag();
        QCOMPARE(log.texts.size(), 1);
        QCOMPARE(log.texts[0], FileStatus::fromErrno(EBADF).description());
        QCOMPARE(w->state().CurrentTag.Title, QStringLiteral("Slot"));
        QCOMPARE(w->TxtDispTag[0]->text(), QStringLiteral("Slot"));
    }
};

QTEST_MAIN(TestReading)
#include "tst_reading.moc"
