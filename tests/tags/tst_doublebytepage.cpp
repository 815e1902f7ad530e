// The double-byte code pages, and the byte-measured API of every page: any byte sequence decodes
// to text that encodes back to the same bytes, a cut or undefined byte shows as U+FFFD.

#include "tags/codepage/CodePage.h"
#include "tags/id3v1/Id3v1.h"

#include <QTest>

namespace {

const int doubleBytePages[] = {932, 936, 949, 950};

// Decoding then encoding gives the same bytes back.
bool roundTrips(const CodePage &page, const QByteArray &bytes)
{
    const QString text = page.decode(bytes);
    return page.canEncode(text) && page.encode(text) == bytes && page.encodedLength(text) == bytes.size();
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

}  // namespace

class TestDoubleBytePage : public QObject {
    Q_OBJECT

private slots:
    void everySingleBytePairAndCutLeadRoundTrips_data();
    void everySingleBytePairAndCutLeadRoundTrips();
    void fieldsEndingInEveryLeadAndPairRoundTripThroughTheTrailer();
    void knownCharacters_data();
    void knownCharacters();
    void cutAndUndefinedBytesShowAsReplacementMarks();
    void lengthsAreCountedInBytes();
    void pagesAreFoundByNumberAndName_data();
    void pagesAreFoundByNumberAndName();
    void everyPageHasATitleForAMenu();
};

void TestDoubleBytePage::everySingleBytePairAndCutLeadRoundTrips_data()
{
    QTest::addColumn<int>("number");
    for (int n : doubleBytePages)
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

void TestDoubleBytePage::everySingleBytePairAndCutLeadRoundTrips()
{
    QFETCH(int, number);
    const CodePage *page = CodePage::find(number);
    QVERIFY(page);
    QVERIFY(page->isDoubleByte());
    QCOMPARE(page->number(), number);
    int pairs = 0;
    for (int first = 0; first < 256; ++first) {
        const QByteArray one(1, char(first));
        QVERIFY2(roundTrips(*page, one), qPrintable(hex(one)));
        QCOMPARE(page->decode(one).size(), 1);
        for (int second = 0; second < 256; ++second) {
            const QByteArray two = one + char(second);
            QVERIFY2(roundTrips(*page, two), qPrintable(hex(two)));
            // Behind a letter and before one, the pair is read the same way.
            const QByteArray framed = "a" + two + "z";
            QVERIFY2(roundTrips(*page, framed), qPrintable(hex(framed)));
            pairs += page->decode(two).size() == 1 && first >= 0x80;
        }
    }
    // Thousands of pairs are characters of the page, not marks.
    QVERIFY2(pairs > 7000, qPrintable(QString::number(pairs)));
}

void TestDoubleBytePage::fieldsEndingInEveryLeadAndPairRoundTripThroughTheTrailer()
{
    for (int number : doubleBytePages) {
        const CodePage &page = CodePage::byNumber(number);
        for (int lead = 0x80; lead < 0x100; ++lead) {
            for (int trail = 0x40; trail < 0x100; trail += 7) {
                // A full field whose last byte is a lead cut off, and one ending in a whole pair.
                Id3v1::Fields written;
                const QByteArray cut = QByteArray(Id3v1::TitleWidth - 2, 'x') + char(trail) + char(lead);
                const QByteArray whole = QByteArray(Id3v1::ArtistWidth - 2, 'y') + char(lead) + char(trail);
                const QByteArray year = QByteArray(1, 'z') + char(lead) + char(trail) + char(lead);
                written.title = page.encode(page.decode(cut));
                written.artist = page.encode(page.decode(whole));
                written.year = page.encode(page.decode(year));
                QCOMPARE(written.title, cut);
                QCOMPARE(written.artist, whole);
                QCOMPARE(written.year, year);
                QVERIFY(page.fits(page.decode(cut), Id3v1::TitleWidth));
                QCOMPARE(Id3v1::build(written).mid(Id3v1::TitleOffset, Id3v1::TitleWidth), cut);
            }
        }
    }
}

void TestDoubleBytePage::knownCharacters_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("932 hiragana") << 932 << QByteArray("\x82\xA0\x82\xA2") << QStringLiteral("あい");
    QTest::newRow("932 kanji") << 932 << QByteArray("\x93\x8C\x8B\x9E") << QStringLiteral("東京");
    QTest::newRow("932 half-width katakana") << 932 << QByteArray("\xB1") << QStringLiteral("ｱ");
    QTest::newRow("932 trail in ASCII range") << 932 << QByteArray("\x83\x5C") << QStringLiteral("ソ");
    QTest::newRow("936") << 936 << QByteArray("\xC4\xE3\xBA\xC3") << QStringLiteral("你好");
    QTest::newRow("936 euro") << 936 << QByteArray("\x80") << QStringLiteral("€");
    QTest::newRow("949") << 949 << QByteArray("\xC7\xD1\xB1\xB9") << QStringLiteral("한국");
    QTest::newRow("949 extended") << 949 << QByteArray("\x81\x41") << QStringLiteral("갂");
    QTest::newRow("950") << 950 << QByteArray("\xA4\xA4\xB0\xEA") << QStringLiteral("中國");
    // User-defined areas: private-use characters of the page's own, not kept-byte marks.
    QTest::newRow("932 user-defined") << 932 << QByteArray("\xF0\x40") << QString(QChar(0xE000));
    QTest::newRow("950 user-defined") << 950 << QByteArray("\xC7\xF0\xC8\xFE") << QString(QChar(0xF79D)) + QChar(0xF848);
    QTest::newRow("ASCII between") << 932 << QByteArray("A\x82\xA0z") << QStringLiteral("Aあz");
}

void TestDoubleBytePage::knownCharacters()
{
    QFETCH(int, number);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const CodePage &page = CodePage::byNumber(number);
    QCOMPARE(page.decode(bytes), text);
    QCOMPARE(page.encode(text), bytes);
}

void TestDoubleBytePage::cutAndUndefinedBytesShowAsReplacementMarks()
{
    const CodePage &page = CodePage::byNumber(932);
    const QChar fffd = QChar::ReplacementCharacter;
    // A lead byte at the end, a lead before a byte that cannot follow it, a byte 932 leaves unused.
    QCOMPARE(CodePage::shown(page.decode("ab\x82")), QStringLiteral("ab") + fffd);
    QCOMPARE(CodePage::shown(page.decode("\x82 x")), fffd + QStringLiteral(" x"));
    QCOMPARE(CodePage::shown(page.decode("\xA0")), QString(fffd));
    QVERIFY(CodePage::isKeptByte(page.decode("\x82").at(0)));
    QCOMPARE(page.encode(page.decode("\x82 x")), QByteArray("\x82 x"));
    // The toChar of a lead byte alone is its mark.
    QCOMPARE(page.toChar(0x82), page.decode("\x82").at(0));
}

void TestDoubleBytePage::lengthsAreCountedInBytes()
{
    const CodePage &japanese = CodePage::byNumber(932);
    const CodePage &cyrillic = CodePage::byNumber(1251);
    const QString fifteen(15, QChar(0x6771));  // 東
    QCOMPARE(japanese.encodedLength(fifteen), 30);
    QVERIFY(japanese.fits(fifteen, 30));
    QVERIFY(!japanese.fits(fifteen + u'x', 30));
    QCOMPARE(japanese.encodedLength(QStringLiteral("ｱA")), 2);  // half-width katakana: one byte
    QCOMPARE(japanese.byteWidth(QChar(0x6771)), 2);
    QCOMPARE(japanese.byteWidth(u'A'), 1);
    // Characters a page cannot store count as the one '?' they become; a surrogate pair too.
    QCOMPARE(cyrillic.encodedLength(QStringLiteral("東😀")), 2);
    QCOMPARE(cyrillic.encode(QStringLiteral("東😀")), QByteArray("??"));
    QVERIFY(!cyrillic.canEncode(QChar(0x6771)));
    QCOMPARE(cyrillic.encodedLength(QStringLiteral("Утро")), 4);
}

void TestDoubleBytePage::pagesAreFoundByNumberAndName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("number") << "1251" << 1251;
    QTest::newRow("cp") << "CP932" << 932;
    QTest::newRow("windows") << "windows-1250" << 1250;
    QTest::newRow("usual name") << "cyrillic" << 1251;
    QTest::newRow("two words") << "Chinese Traditional" << 950;
    QTest::newRow("shift_jis") << "Shift_JIS" << 932;
    QTest::newRow("gbk") << "gbk" << 936;
    QTest::newRow("euc-kr") << "EUC-KR" << 949;
    QTest::newRow("big5") << " big5 " << 950;
    QTest::newRow("unknown number") << "437" << 0;
    QTest::newRow("unknown name") << "klingon" << 0;
    QTest::newRow("empty") << "" << 0;
}

void TestDoubleBytePage::pagesAreFoundByNumberAndName()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    const CodePage *page = CodePage::byName(name);
    QCOMPARE(page ? page->number() : 0, number);
}

void TestDoubleBytePage::everyPageHasATitleForAMenu()
{
    const std::vector<int> expected = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 932, 936, 949, 950};
    QCOMPARE(CodePage::numbers(), expected);
    for (int number : expected) {
        const CodePage *page = CodePage::find(number);
        QVERIFY(page);
        QVERIFY(page->title().endsWith(QStringLiteral(" (%1)").arg(number)));
    }
    QCOMPARE(CodePage::byNumber(1251).title(), QStringLiteral("Cyrillic (1251)"));
    QCOMPARE(CodePage::byNumber(932).title(), QStringLiteral("Japanese (932)"));
    QVERIFY(!CodePage::find(437));
    QCOMPARE(CodePage::byNumber(437).number(), 1252);
}

QTEST_APPLESS_MAIN(TestDoubleBytePage)
#include "tst_doublebytepage.moc"
