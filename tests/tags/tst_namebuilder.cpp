// The proposed file name in both styles and the short-name fragment.
#include "tags/trailer/NameBuilder.h"
#include "tags/codepage/CodePage.h"

#include <QTest>

class TestNameBuilder : public QObject {
    Q_OBJECT
private slots:
    void fragment_data();
    void fragment();
    void proposal_data();
    void proposal();
    void shortStyleNeverExceedsEightCharacters();
};

void TestNameBuilder::fragment_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first four, upper case") << "Red Kettle" << "REDK";
    QTest::newRow("shorter than four") << "K9" << "K9";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("spaces only") << "    " << "";
    QTest::newRow("punctuation only") << "!?.,-_()[]" << "";
    QTest::newRow("non-ASCII letters dropped") << QString::fromUtf8("Élan Vert") << "LANV";
    QTest::newRow("digits kept, ends of ranges") << "0-9 A.Z a,z" << "09AZ";
    QTest::newRow("neighbours of the ranges dropped") << "/:@[`{" << "";
    QTest::newRow("letters after the fourth ignored") << "ab cd ef" << "ABCD";
    QTest::newRow("fullwidth letters dropped") << QString::fromUtf8("ＡＢab") << "AB";
}

void TestNameBuilder::fragment()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(DOSFileName(text), expected);
}

void TestNameBuilder::proposal_data()
{
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("song");
    QTest::addColumn<bool>("longNames");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("expected");

    QTest::newRow("long") << "Red Kettle" << "Morning Walk" << true << "a.mp3"
                          << "Red Kettle-Morning Walk.MP3";
    QTest::newRow("short") << "Red Kettle" << "Morning Walk" << false << "a.mp3" << "REDKMORN.MP3";
    QTest::newRow("long trims outer spaces") << " Blue Lantern " << "Slow River" << true << ""
                                             << "Blue Lantern-Slow River.MP3";
    QTest::newRow("short, spaces around") << " Blue Lantern " << "Slow River" << false << ""
                                          << "BLUESLOW.MP3";
    QTest::newRow("long K9") << "K9" << "Go" << true << "" << "K9-Go.MP3";
    // A kept byte (a double-byte character cut off by the field's end) is left out of a name.
    const QString cutByte = CodePage::byNumber(932).decode("\x82");
    QTest::newRow("long, cut byte left out") << QString::fromUtf8("坂本九") + cutByte << QString::fromUtf8("東京") << true
                                             << "" << QString::fromUtf8("坂本九-東京.MP3");
    QTest::newRow("long, its mark as shown left out") << QString::fromUtf8("坂本九\uFFFD") << "Go" << true << ""
                                                      << QString::fromUtf8("坂本九-Go.MP3");
    QTest::newRow("long, only a cut byte") << cutByte << "Song" << true << "a.mp3" << "a.mp3";
    QTest::newRow("short K9") << "K9" << "Go" << false << "" << "K9GO.MP3";

    // An empty box keeps the current name exactly, extension case included.
    QTest::newRow("song empty") << "Red Kettle" << "" << true << "track01.mp3" << "track01.mp3";
    QTest::newRow("artist empty, short") << "" << "Song" << false << "track01.mp3" << "track01.mp3";
    QTest::newRow("both empty, no file") << "" << "" << true << "" << "";

    // A box holding only spaces is not empty.
    QTest::newRow("long, artist of spaces") << "   " << "X" << true << "cur.mp3" << "-X.MP3";
    QTest::newRow("short, artist of spaces") << "   " << "X" << false << "cur.mp3" << "X.MP3";
    QTest::newRow("long, both spaces") << " " << " " << true << "cur.mp3" << "-.MP3";
    QTest::newRow("short, punctuation only") << "!!!" << "..." << false << "cur.mp3" << ".MP3";

    // Long style changes nothing inside the fields, not even characters a name cannot hold.
    QTest::newRow("long keeps slash") << "A/B Unit" << "Song" << true << "" << "A/B Unit-Song.MP3";
    QTest::newRow("long keeps inner spaces and case") << "a  B" << " c  d " << true << ""
                                                      << "a  B-c  d.MP3";
    QTest::newRow("long trims only spaces") << "\tTab\t" << "x" << true << "" << "\tTab\t-x.MP3";
    QTest::newRow("long keeps non-ASCII") << QString::fromUtf8("Élan Vert") << "Été" << true << ""
                                          << QString::fromUtf8("Élan Vert-Été.MP3");
    QTest::newRow("short drops non-ASCII") << QString::fromUtf8("Élan Vert") << "Go" << false << ""
                                           << "LANVGO.MP3";
    // Encoders pad with NUL: in long names a field ends at its first NUL.
    const QString nul(QChar(0));
    QTest::newRow("long, NUL-padded") << "The Artist " + nul + nul + "x" << "Song" + nul + " " << true
                                      << "" << "The Artist-Song.MP3";
    QTest::newRow("long, artist all NUL") << nul + nul << "Song" << true << "cur.mp3" << "cur.mp3";
    QTest::newRow("short, NUL-padded") << "AB" + nul + "CD" << "Song" + nul << false << ""
                                       << "ABCDSONG.MP3";
}

void TestNameBuilder::proposal()
{
    QFETCH(QString, artist);
    QFETCH(QString, song);
    QFETCH(bool, longNames);
    QFETCH(QString, current);
    QFETCH(QString, expected);
    QCOMPARE(proposeFileName(song, artist, longNames, current), expected);
}

void TestNameBuilder::shortStyleNeverExceedsEightCharacters()
{
    const QStringList samples = {"a", "ab1", "Long Artist Name Here", "x y z w v", "1234567890",
                                 QString::fromUtf8("Ünïcödé Ärtist"), "--", "Q"};
    for (const QString &artist : samples) {
        for (const QString &song : samples) {
            const QString name = proposeFileName(song, artist, false, "keep.mp3");
            QVERIFY2(name.endsWith(".MP3"), qPrintable(name));
            const QString stem = name.chopped(4);
            QVERIFY2(stem.size() <= 8, qPrintable(name));
            QCOMPARE(stem, DOSFileName(artist) + DOSFileName(song));
            // Swapping the fields swaps the halves.
            QCOMPARE(proposeFileName(artist, song, false, "").chopped(4),
                     DOSFileName(song) + DOSFileName(artist));
        }
    }
}

QTEST_GUILESS_MAIN(TestNameBuilder)
#include "tst_namebuilder.moc"
