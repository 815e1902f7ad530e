// The rules between an edit and the trailer it saves: an ID3v1.1 track number kept while the
// comment leaves its bytes free, and the trailer compared with and filled from the ID3v2 values,
// cut to what each field holds in the code page.

#include "support/TestFiles.h"

#include "tags/codepage/CodePage.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/id3v1/TrackKeeping.h"

#include <QTest>

using namespace TestFiles;

namespace {

// "old note" with track 7: bytes 28 and 29 of the comment are NUL and 7.
QByteArray trackedTrailer()
{
    QByteArray t = trailer("Song", "Artist", "", "1999", "old note", 12);
    t[125] = '\0';
    t[126] = '\7';
    return t;
}

Id3v2Values v2Values()
{
    return {3, QStringLiteral("Evening Walk"), QStringLiteral("Red Kettle"), QStringLiteral("Blue Hours"),
            QStringLiteral("2001-05-03"), QStringLiteral("Recorded live"), QStringLiteral("rock")};
}

using FieldList = std::vector<TagField>;

}  // namespace

class TestTrailerRules : public QObject {
    Q_OBJECT

private slots:
    void theTrackNumberIsKeptWhileTheCommentLeavesItsBytes_data()
    {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<QByteArray>("comment");    // the edited comment
        QTest::addColumn<QByteArray>("saved");      // the 30 bytes the save writes
        QTest::addColumn<bool>("givenUp");
        const QByteArray tracked = trackedTrailer();
        const QByteArray asRead = tracked.mid(97, 30);
        QTest::newRow("comment as read") << tracked << Id3v1::parse(tracked).comment << asRead << false;
        QTest::newRow("a new comment of 28 bytes")
            << tracked << QByteArray(28, 'c') << QByteArray(28, 'c') + QByteArray("\0\7", 2) << false;
        QTest::newRow("a short one, padded") << tracked << QByteArray("new")
                                             << QByteArray("new").leftJustified(28, ' ') + QByteArray("\0\7", 2) << false;
        QTest::newRow("empty") << tracked << QByteArray() << QByteArray(28, ' ') + QByteArray("\0\7", 2) << false;
        QTest::newRow("29 bytes give the track up") << tracked << QByteArray(29, 'c') << QByteArray(29, 'c') + ' ' << true;
        QTest::newRow("30 bytes") << tracked << QByteArray(30, 'c') << QByteArray(30, 'c') << true;
        QTest::newRow("no track: written whole") << trailer("Song", "", "", "", "old note") << QByteArray(29, 'c')
                                                 << QByteArray(29, 'c') + ' ' << false;
        QTest::newRow("no trailer read") << QByteArray() << QByteArray("new") << QByteArray("new").leftJustified(30, ' ')
                                         << false;
    }
    void theTrackNumberIsKeptWhileTheCommentLeavesItsBytes()
    {
        QFETCH(QByteArray, read);
        QFETCH(QByteArray, comment);
        QFETCH(QByteArray, saved);
        QFETCH(bool, givenUp);
        Id3v1::Fields edited = Id3v1::parse(read);
        edited.comment = comment;
        const TrackKeeping kept = keepTrackNumber(edited, read);
        QCOMPARE(kept.trackGivenUp, givenUp);
        QCOMPARE(kept.track, Id3v1::trackNumber(read));
        QCOMPARE(Id3v1::build(kept.fields).mid(97, 30), saved);
    }

    void anUneditedSaveIsTheTrailerReadByteForByte()
    {
        for (const QByteArray &read : {trackedTrailer(), nulPaddedTrailer()}) {
            const TrackKeeping kept = keepTrackNumber(Id3v1::parse(read), read);
            QCOMPARE(Id3v1::build(kept.fields), read);
        }
    }

    void theTrackNumberOfATrailer()
    {
        QCOMPARE(Id3v1::trackNumber(trackedTrailer()), 7);
        QCOMPARE(Id3v1::trackNumber(nulPaddedTrailer()), 7);
        QByteArray noTrack = trackedTrailer();
        noTrack[126] = '\0';  // byte 29 NUL as well: plain ID3v1
        QCOMPARE(Id3v1::trackNumber(noTrack), 0);
        QCOMPARE(Id3v1::trackNumber(trailer("Song", "", "", "", QByteArray(30, 'c'))), 0);
        QCOMPARE(Id3v1::trackNumber(QByteArray()), 0);
    }

    void differingFields_data()
    {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<FieldList>("differing");
        const FieldList all = {TagField::Title, TagField::Artist, TagField::Album, TagField::Year, TagField::Comment,
                               TagField::Genre};
        QTest::newRow("another trailer") << trailer("Morning Walk (v1)", "Red Kettle", "", "2001", "x", 0) << FieldList{
            TagField::Title, TagField::Album, TagField::Comment, TagField::Genre};
        // NUL padding, the track number after the comment and letter case of the genre do not count.
        QByteArray same = trailer("Evening Walk", "Red Kettle", "Blue Hours", "2001", "Recorded live", 17, '\0');
        same[126] = '\5';
        QTest::newRow("the same values") << same << FieldList{};
        QTest::newRow("no trailer") << QByteArray() << all;
    }
    void differingFields()
    {
        QFETCH(QByteArray, read);
        QFETCH(FieldList, differing);
        QCOMPARE(::differingFields(Id3v1::parse(read), !read.isEmpty(), v2Values(), CodePage::byNumber(1252)), differing);
    }

    void fillsCutToTheFieldsInTheCodePage_data()
    {
        QTest::addColumn<Id3v2Values>("v2");
        QTest::addColumn<int>("commentWidth");
        QTest::addColumn<QByteArray>("saved");  // the trailer after the fill, from offset 3
        QTest::addColumn<FieldList>("cut");
        const QByteArray base = trailer("Old", "Old artist", "Old album", "1999", "old", 12).mid(3);
        QTest::newRow("every value") << v2Values() << 30
                                     << trailer("Evening Walk", "Red Kettle", "Blue Hours", "2001", "Recorded live", 17).mid(3)
                                     << FieldList{};
        Id3v2Values onlyTitle;
        onlyTitle.title = QStringLiteral("An ID3v2 title that is much longer than thirty");
        QTest::newRow("too long; the rest kept") << onlyTitle << 30
                                                 << "An ID3v2 title that is much lo" + base.mid(30) << FieldList{TagField::Title};
        Id3v2Values odd;
        odd.artist = QStringLiteral("\u4E00\u4E8C band");  // not in 1252
        odd.genre = QStringLiteral("Chiptune-ish");
        odd.year = QStringLiteral("circa 1990");
        QTest::newRow("a character the page lacks, an unknown genre, a year that is no date")
            << odd << 30 << base.left(30) + QByteArray("?? band").leftJustified(30, ' ') + base.mid(60, 30) + "circ"
                            + base.mid(94)
            << FieldList{TagField::Artist, TagField::Year, TagField::Genre};
        Id3v2Values comment;
        comment.comment = QString(29, 'c');
        QTest::newRow("the comment cut to 28 for a track") << comment << 28
                                                          << base.left(94) + QByteArray(28, 'c') + "  " + base.right(1)
                                                          << FieldList{TagField::Comment};
    }
    // As lame writes it: NUL padding and a track number; the same values leave it as it is.
    void aFillWithTheValuesAlreadyThereChangesNoByte()
    {
        QByteArray read = trailer("Evening Walk", "Red Kettle", "Blue Hours", "2001", "Recorded live", 17, '\0');
        read[126] = '\7';
        const Id3v2Fill fill = fillFromId3v2(Id3v1::parse(read), v2Values(), CodePage::byNumber(1252), 28);
        QCOMPARE(Id3v1::build(fill.fields), read);
        QCOMPARE(fill.cut, FieldList{});
    }

    void fillsCutToTheFieldsInTheCodePage()
    {
        QFETCH(Id3v2Values, v2);
        QFETCH(int, commentWidth);
        QFETCH(QByteArray, saved);
        QFETCH(FieldList, cut);
        const Id3v1::Fields base = Id3v1::parse(trailer("Old", "Old artist", "Old album", "1999", "old", 12));
        const Id3v2Fill fill = fillFromId3v2(base, v2, CodePage::byNumber(1252), commentWidth);
        QCOMPARE(Id3v1::build(fill.fields).mid(3), saved);
        QCOMPARE(fill.cut, cut);
    }
};

QTEST_GUILESS_MAIN(TestTrailerRules)
#include "tst_trailerrules.moc"
