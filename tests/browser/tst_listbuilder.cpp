// The list rebuilt from a folder's files on real files: one row per entry in order, empty rows for
// files that cannot be read, and what the rebuild leaves for the panel and for a save.

#include "browser/Mp3ListBuilder.h"
#include "tags/codepage/CodePage.h"
#include "browser/Mp3Files.h"
#include "browser/Mp3List.h"
#include "support/Id3v2Files.h"
#include "support/TestFiles.h"
#include "tags/id3v1/GenreList.h"
#include "tags/files/PatternListing.h"

#include <QIcon>
#include <QTest>

#include <unistd.h>

using namespace TestFiles;

class TestListBuilder : public QObject {
    Q_OBJECT

private slots:
    void rowsInOrderWithEmptyRowsForUnreadableFiles()
    {
        TempFolder folder;
        QVERIFY(writeFile(folder.file("1.mp3"), song(500, trailer("One", "", "", "", "", 17))));
        QVERIFY(writeFile(folder.file("2.mp3"), song(500, trailer("Two", "", "", "", "", 13))));
        QVERIFY(writeFile(folder.file("3.mp3"), song(500)));
        QVERIFY(writeFile(folder.file("4.mp3"), song(500, trailer("Four"))));
        Mp3Files files;
        files.setPath(folder.path());
        files.setPattern(mp3Pattern());
        QVERIFY(files.refresh());
        QVERIFY(::unlink(folder.file("4.mp3").constData()) == 0);  // gone since the listing

        const QStringList genres = Genres::buildGenreList();
        Mp3List list;
        Mp3ListBuilder builder(list, genres);
        const Mp3ListBuilder::Result result = builder.fill(files, folder.path() + '/', CodePage::system(), "2.mp3");
        QCOMPARE(list.rowCount(), 4);
        QCOMPARE(list.text(0, 1), QStringLiteral("One"));
        QCOMPARE(list.text(1, 6), QStringLiteral("Pop"));
        QCOMPARE(list.text(2, 1), QString());
        QCOMPARE(list.text(3, 0), QStringLiteral("4.mp3"));
        QCOMPARE(list.text(3, 1), QString());  // never the previous file's values
        QCOMPARE(result.unreadable, QSet<QByteArray>({"4.mp3"}));
        QVERIFY(result.lastGenre && *result.lastGenre == 13);  // of the last tagged file
        QVERIFY(result.lastRead && !result.lastRead->tagged);   // 3.mp3, the last one read
        QVERIFY(result.wanted && result.wanted->tagged);
        QCOMPARE(result.wanted->fields.title, QByteArray("Two"));
        QVERIFY(result.wanted->identity == readTagFile(folder.file("2.mp3")).identity);
    }

    // A file that begins with an ID3v2 tag has its own icon; the tag's version and the ID3v1.1
    // track number are in the row's tooltip. The scan reads only the trailers: the version is
    // read once the row is shown, for a row out of view once it is scrolled to.
    void aFileWithId3v2IsMarkedOnceShownAndItsTrackShown()
    {
        TempFolder folder;
        QVERIFY(writeFile(folder.file("a.mp3"), Id3v2Files::samples().at(2).bytes));  // ID3v2.3, track 7
        QVERIFY(writeFile(folder.file("b.mp3"), song(300, trailer("Plain"))));
        for (int i = 0; i < 100; ++i)
            QVERIFY(writeFile(folder.file("c" + QByteArray::number(i + 100) + ".mp3"), song(300)));
        QVERIFY(writeFile(folder.file("z.mp3"), Id3v2Files::samples().at(2).bytes));
        Mp3Files files;
        files.setPath(folder.path());
        files.setPattern(mp3Pattern());
        QVERIFY(files.refresh());
        const QStringList genres = Genres::buildGenreList();
        Mp3List list;
        QPixmap note(16, 16);
        note.fill(Qt::darkGreen);
        list.setRowIcon(QIcon(note));
        list.resize(400, 200);
        list.show();
        Mp3ListBuilder builder(list, genres);
        builder.fill(files, folder.path() + '/', CodePage::system());

        const QAbstractItemModel *model = list.model();
        const int last = list.rowCount() - 1;
        const QModelIndex marked = model->index(0, 0), plain = model->index(1, 0), far = model->index(last, 0);
        QCOMPARE(model->data(marked, Qt::ToolTipRole).toString(), QStringLiteral("a.mp3\nTrack 7"));  // not yet
        QTRY_COMPARE(model->data(marked, Qt::ToolTipRole).toString(), QStringLiteral("a.mp3\nID3v2.3 tag\nTrack 7"));
        QCOMPARE(model->data(model->index(0, 1), Qt::ToolTipRole).toString(),
                 QStringLiteral("Morning Walk (v1)\nID3v2.3 tag\nTrack 7"));
        QCOMPARE(model->data(marked, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("ID3v2.3 tag, Track 7"));
        QCOMPARE(model->data(plain, Qt::ToolTipRole).toString(), QStringLiteral("b.mp3"));
        QCOMPARE(model->data(plain, Qt::AccessibleDescriptionRole).toString(), QString());
        const QIcon markedIcon = model->data(marked, Qt::DecorationRole).value<QIcon>();
        QCOMPARE(model->data(plain, Qt::DecorationRole).value<QIcon>().pixmap(16).toImage(), note.toImage());
        QVERIFY(markedIcon.pixmap(16).toImage() != note.toImage());
        QCOMPARE(model->columnCount(), 7);

        QCOMPARE(model->data(far, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("Track 7"));  // out of view
        list.scrollToBottom();
        QTRY_COMPARE(model->data(far, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("ID3v2.3 tag, Track 7"));
    }
};

QTEST_MAIN(TestListBuilder)
#include "tst_listbuilder.moc"
