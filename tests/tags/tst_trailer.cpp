// The 128-byte trailer's layout, its trimming and padding rules, and the genre table.

#include "tags/id3v1/GenreList.h"
#include "tags/id3v1/Id3v1.h"
#include "tags/id3v1/TagFields.h"

#include <QSet>
#include <QTest>

namespace {

// A trailer laid out by hand, byte by byte, independent of Id3v1::build.
QByteArray handMade(const QByteArray &marker, const QByteArray &title, const QByteArray &artist,
                    const QByteArray &album, const QByteArray &year, const QByteArray &comment, char genre)
{
    QByteArray t(128, ' ');
    t.replace(0, marker.size(), marker);
    t.replace(3, title.size(), title);
    t.replace(33, artist.size(), artist);
    t.replace(63, album.size(), album);
    t.replace(93, year.size(), year);
    t.replace(97, comment.size(), comment);
    t[127] = genre;
    return t;
}

}  // namespace

class TestTrailer : public QObject {
    Q_OBJECT

private slots:
    void markerIsExactUpperCase();
    void fieldsComeFromTheirOffsets();
    void buildPlacesFieldsAtTheirOffsets();
    void fullWidthFieldsHaveNoPadding();
    void emptyFieldsAreSpacesAndReadBackEmpty();
    void trimmingRemovesTrailingSpacesOnly();
    void longerFieldsAreCutToTheirWidth();
    void parseToleratesShortBuffers();
    void genreBytes_data();
    void genreBytes();
    void genreTableHasTheNamesInNumberOrder();
    void fieldTableTilesTheTrailer();
};

void TestTrailer::markerIsExactUpperCase()
{
    QVERIFY(Id3v1::hasMarker("TAG"));
    QVERIFY(Id3v1::hasMarker(handMade("TAG", "", "", "", "", "", 0)));
    QVERIFY(!Id3v1::hasMarker(handMade("tag", "", "", "", "", "", 0)));
    QVERIFY(!Id3v1::hasMarker(handMade("TAg", "", "", "", "", "", 0)));
    QVERIFY(!Id3v1::hasMarker(handMade(" TA", "", "", "", "", "", 0)));
    QVERIFY(!Id3v1::hasMarker("TA"));
    QVERIFY(!Id3v1::hasMarker(QByteArray()));
    QVERIFY(!Id3v1::hasMarker(QByteArray("TA\0", 3)));
}

void TestTrailer::fieldsComeFromTheirOffsets()
{
    const QByteArray t = handMade("TAG", "Title", "Artist", "Album", "1999", "Comment", char(17));
    const Id3v1::Fields f = Id3v1::parse(t);
    QCOMPARE(f.title, QByteArray("Title"));
    QCOMPARE(f.artist, QByteArray("Artist"));
    QCOMPARE(f.album, QByteArray("Album"));
    QCOMPARE(f.year, QByteArray("1999"));
    QCOMPARE(f.comment, QByteArray("Comment"));
    QCOMPARE(f.genre, quint8(17));

    // The year is free text; the comment runs to byte 126 and the genre byte is not part of it.
    const QByteArray full = handMade("TAG", "", "", "", "19x9", QByteArray(30, 'c'), char(0x41));
    QCOMPARE(Id3v1::parse(full).year, QByteArray("19x9"));
    QCOMPARE(Id3v1::parse(full).comment, QByteArray(30, 'c'));
    QCOMPARE(Id3v1::parse(full).genre, quint8(0x41));
}

void TestTrailer::buildPlacesFieldsAtTheirOffsets()
{
    Id3v1::Fields f;
    f.title = "Title";
    f.artist = "Artist";
    f.album = "Album";
    f.year = "1999";
    f.comment = "Comment";
    f.genre = 17;
    QCOMPARE(Id3v1::build(f), handMade("TAG", "Title", "Artist", "Album", "1999", "Comment", char(17)));
    QCOMPARE(Id3v1::parse(Id3v1::build(f)), f);
}

void TestTrailer::fullWidthFieldsHaveNoPadding()
{
    Id3v1::Fields f;
    f.title = QByteArray(30, 'T');
    f.artist = QByteArray(30, 'A');
    f.album = QByteArray(30, 'L');
    f.year = "2024";
    f.comment = QByteArray(30, 'C');
    const QByteArray t = Id3v1::build(f);
    QCOMPARE(t.size(), 128);
    QCOMPARE(t.mid(3, 30), QByteArray(30, 'T'));
    QCOMPARE(t.mid(33, 30), QByteArray(30, 'A'));
    QCOMPARE(t.mid(63, 30), QByteArray(30, 'L'));
    QCOMPARE(t.mid(93, 4), QByteArray("2024"));
    QCOMPARE(t.mid(97, 30), QByteArray(30, 'C'));
    QCOMPARE(Id3v1::parse(t), f);
}

void TestTrailer::emptyFieldsAreSpacesAndReadBackEmpty()
{
    Id3v1::Fields f;
    f.genre = 255;
    const QByteArray t = Id3v1::build(f);
    QCOMPARE(t, QByteArray("TAG") + QByteArray(124, ' ') + QByteArray(1, char(0xFF)));
    const Id3v1::Fields back = Id3v1::parse(t);
    QVERIFY(back.title.isEmpty());
    QVERIFY(back.year.isEmpty());
    QVERIFY(back.comment.isEmpty());
    QCOMPARE(back.genre, quint8(255));
}

void TestTrailer::trimmingRemovesTrailingSpacesOnly()
{
    // NUL padding from another program stays, and so does what follows a NUL.
    const QByteArray nulPadded = QByteArray("Song") + QByteArray(26, '\0');
    const QByteArray nulInside("AB\0CD", 5);
    const QByteArray t = handMade("TAG", nulPadded, nulInside, "  Two leading", "  ", "tabs\t\t", 0);
    const Id3v1::Fields f = Id3v1::parse(t);
    QCOMPARE(f.title, nulPadded);
    QCOMPARE(f.title.size(), 30);
    QCOMPARE(f.artist, nulInside);
    QCOMPARE(f.album, QByteArray("  Two leading"));
    QCOMPARE(f.year, QByteArray());
    QCOMPARE(f.comment, QByteArray("tabs\t\t"));

    // NULs written out come back as they were; padding is spaces, never NUL.
    Id3v1::Fields g;
    g.title = nulInside;
    const QByteArray built = Id3v1::build(g);
    QCOMPARE(built.mid(3, 30), nulInside + QByteArray(25, ' '));
    QCOMPARE(Id3v1::parse(built).title, nulInside);
}

void TestTrailer::longerFieldsAreCutToTheirWidth()
{
    Id3v1::Fields f;
    f.title = QByteArray(35, 'T');
    f.artist = "Artist";
    f.year = "199999";
    f.comment = QByteArray(31, 'C');
    f.genre = 3;
    const QByteArray t = Id3v1::build(f);
    QCOMPARE(t.size(), 128);
    QCOMPARE(t, handMade("TAG", QByteArray(30, 'T'), "Artist", "", "1999", QByteArray(30, 'C'), 3));
}

void TestTrailer::parseToleratesShortBuffers()
{
    const Id3v1::Fields f = Id3v1::parse(QByteArray("TAGabc"));
    QCOMPARE(f.title, QByteArray("abc"));
    QVERIFY(f.artist.isEmpty());
    QCOMPARE(f.genre, quint8(0));
    QCOMPARE(Id3v1::parse(QByteArray()), Id3v1::Fields());
}

void TestTrailer::genreBytes_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0 << QStringLiteral("Blues");
    QTest::newRow("17") << 17 << QStringLiteral("Rock");
    QTest::newRow("128") << 128 << QStringLiteral("Club-House Terror");
    QTest::newRow("129") << 129 << QStringLiteral("Hardcore");
    QTest::newRow("130") << 130 << QString();
    QTest::newRow("200") << 200 << QString();
    QTest::newRow("255") << 255 << QString();
}

void TestTrailer::genreBytes()
{
    QFETCH(int, byte);
    QFETCH(QString, name);
    const QStringList genres = Genres::buildGenreList();
    Id3v1::Fields f;
    f.genre = quint8(byte);
    const QByteArray t = Id3v1::build(f);
    QCOMPARE(quint8(t.at(127)), quint8(byte));
    const quint8 read = Id3v1::parse(t).genre;
    QCOMPARE(int(read), byte);
    QCOMPARE(Genres::nameOf(genres, read), name);
}

void TestTrailer::genreTableHasTheNamesInNumberOrder()
{
    const QStringList genres = Genres::buildGenreList();
    QCOMPARE(genres.size(), Genres::Count);
    QCOMPARE(Genres::Count, 130);
    // One name from each row of ten, and the odd spellings that must stay as they are.
    const QList<QPair<int, QString>> expected = {
        {0, "Blues"}, {9, "Metal"}, {14, "R&B"}, {24, "Soundtrack"}, {29, "Jazz & Funk"},
        {32, "Classical"}, {40, "Alt. Rock"}, {53, "Pop/Folk"}, {60, "Top 40"}, {67, "Psychadelic"},
        {78, "Rock & Roll"}, {85, "Bebob"}, {90, "Avantgarde"}, {99, "Acoustic"}, {109, "Porn Groove"},
        {110, "Satire"}, {123, "Acapella"}, {127, "Drum & Bass"}, {128, "Club-House Terror"},
        {129, "Hardcore"}};
    for (const auto &[number, name] : expected)
        QCOMPARE(genres.at(number), name);
    QCOMPARE(QSet<QString>(genres.begin(), genres.end()).size(), Genres::Count);
    for (const QString &name : genres)
        QVERIFY2(!name.isEmpty() && name.trimmed() == name, qPrintable(name));

    QCOMPARE(Genres::nameOf(genres, -1), QString());
    QCOMPARE(Genres::nameOf(genres, 256), QString());
    QCOMPARE(Genres::nameOf(QStringList(), 5), QString());
}

QTEST_GUILESS_MAIN(TestTrailer)
// Every lookup indexes the table by TagField, and parse and build walk it: the marker, the text
// fields and the genre byte tile the 128 bytes; the track is the comment's last byte.
void TestTrailer::fieldTableTilesTheTrailer()
{
    int next = 3;
    for (const TagFieldInfo &field : tagFields()) {
        QCOMPARE(&tagField(field.field), &field);
        if (field.field == TagField::Track) {
            QCOMPARE(field.offset, Id3v1::TrackOffset);
            QCOMPARE(field.offset, tagField(TagField::Comment).offset + Id3v1::CommentBesideTrackWidth + 1);
        } else if (field.width > 0) {
            QCOMPARE(field.offset, next);
            next += field.width;
        }
    }
    QCOMPARE(next, Id3v1::TrailerSize);
}

#include "tst_trailer.moc"
