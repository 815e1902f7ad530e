// The code pages in which tag text is stored: every byte must map to one character and back.

#include "tags/codepage/CodePage.h"
#include "tags/id3v1/Id3v1.h"

#include <QSet>
#include <QTest>

namespace {
const int pageNumbers[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
}

class TestCodePage : public QObject {
    Q_OBJECT

private slots:
    void everyByteRoundTripsAndNoTwoBytesShareACharacter_data();
    void everyByteRoundTripsAndNoTwoBytesShareACharacter();
    void everyByteRoundTripsThroughEveryTrailerField();
    void knownCharacters_data();
    void knownCharacters();
    void charactersOutsideThePageBecomeQuestionMarks();
    void unknownNumbersFallBackTo1252();
    void languagesChooseTheirPage_data();
    void languagesChooseTheirPage();
    void cLocaleUses1252();
};

void TestCodePage::everyByteRoundTripsAndNoTwoBytesShareACharacter_data()
{
    QTest::addColumn<int>("number");
    for (int n : pageNumbers)
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

void TestCodePage::everyByteRoundTripsAndNoTwoBytesShareACharacter()
{
    QFETCH(int, number);
    const CodePage &page = CodePage::byNumber(number);
    QCOMPARE(page.number(), number);

    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = page.decode(all);
    QCOMPARE(text.size(), 256);

    QSet<char16_t> seen;
    for (int b = 0; b < 256; ++b) {
        const QChar c = page.toChar(quint8(b));
        QCOMPARE(text.at(b), c);
        QVERIFY2(!c.isSurrogate(), qPrintable(QString::number(b, 16)));
        QVERIFY2(!seen.contains(c.unicode()), qPrintable(QStringLiteral("byte 0x%1 repeats a character").arg(b, 2, 16)));
        seen.insert(c.unicode());
        QVERIFY(page.canEncode(c));
        if (b < 0x80)
            QCOMPARE(c.unicode(), char16_t(b));
    }
    QVERIFY(page.canEncode(text));
    QCOMPARE(page.encode(text), all);
}

void TestCodePage::everyByteRoundTripsThroughEveryTrailerField()
{
    // Text read from a tag, shown, and written back must give the same bytes in every field.
    for (int number : pageNumbers) {
        const CodePage &page = CodePage::byNumber(number);
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            // A leading letter keeps the field non-empty when the byte is a space.
            auto fieldOf = [&](int width) { return QByteArray(1, 'x') + QByteArray(width - 1, byte); };
            Id3v1::Fields written;
            written.title = page.encode(page.decode(fieldOf(Id3v1::TitleWidth)));
            written.artist = page.encode(page.decode(fieldOf(Id3v1::ArtistWidth)));
            written.album = page.encode(page.decode(fieldOf(Id3v1::AlbumWidth)));
            written.year = page.encode(page.decode(fieldOf(Id3v1::YearWidth)));
            written.comment = page.encode(page.decode(fieldOf(Id3v1::CommentWidth)));
            written.genre = quint8(b);
            const QByteArray trailer = Id3v1::build(written);
            QCOMPARE(trailer.size(), Id3v1::TrailerSize);

            const Id3v1::Fields read = Id3v1::parse(trailer);
            const auto expected = [&](int width) {
                return b == ' ' ? QByteArray("x") : fieldOf(width);
            };
            const QString where = QStringLiteral("page %1 byte 0x%2").arg(number).arg(b, 2, 16, QLatin1Char('0'));
            QVERIFY2(read.title == expected(Id3v1::TitleWidth), qPrintable(where));
            QVERIFY2(read.artist == expected(Id3v1::ArtistWidth), qPrintable(where));
            QVERIFY2(read.album == expected(Id3v1::AlbumWidth), qPrintable(where));
            QVERIFY2(read.year == expected(Id3v1::YearWidth), qPrintable(where));
            QVERIFY2(read.comment == expected(Id3v1::CommentWidth), qPrintable(where));
            QCOMPARE(read.genre, quint8(b));
        }
    }
}

void TestCodePage::knownCharacters_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("character");
    QTest::newRow("1252 euro") << 1252 << 0x80 << 0x20AC;
    QTest::newRow("1252 e-acute") << 1252 << 0xE9 << 0x00E9;
    QTest::newRow("1252 undefined 0x81") << 1252 << 0x81 << 0x0081;
    QTest::newRow("1251 A") << 1251 << 0xC0 << 0x0410;
    QTest::newRow("1251 ya") << 1251 << 0xFF << 0x044F;
    QTest::newRow("1250 S-caron") << 1250 << 0x8A << 0x0160;
    QTest::newRow("1253 Alpha") << 1253 << 0xC1 << 0x0391;
    QTest::newRow("1254 g-breve") << 1254 << 0xF0 << 0x011F;
    QTest::newRow("1255 alef") << 1255 << 0xE0 << 0x05D0;
    QTest::newRow("1256 alef") << 1256 << 0xC7 << 0x0627;
    QTest::newRow("1257 a-ogonek") << 1257 << 0xE0 << 0x0105;
    QTest::newRow("1258 dong") << 1258 << 0xFE << 0x20AB;
    QTest::newRow("874 ko kai") << 874 << 0xA1 << 0x0E01;
    QTest::newRow("874 undefined 0xDB") << 874 << 0xDB << 0x00DB;
}

void TestCodePage::knownCharacters()
{
    QFETCH(int, number);
    QFETCH(int, byte);
    QFETCH(int, character);
    const CodePage &page = CodePage::byNumber(number);
    QCOMPARE(int(page.toChar(quint8(byte)).unicode()), character);
    QCOMPARE(page.encode(QString(QChar(char16_t(character)))), QByteArray(1, char(byte)));
}

void TestCodePage::charactersOutsideThePageBecomeQuestionMarks()
{
    const CodePage &western = CodePage::byNumber(1252);
    const QString cyrillic = QStringLiteral("\u0410\u0411c");
    QVERIFY(!western.canEncode(cyrillic));
    QVERIFY(!western.canEncode(QChar(0x0410)));
    QCOMPARE(western.encode(cyrillic), QByteArray("??c"));
    QCOMPARE(CodePage::byNumber(1251).encode(cyrillic), QByteArray("\xC0\xC1" "c"));

    // A character beyond the 16-bit range is one character, so one '?', not two.
    const QString emoji = QStringLiteral("a") + QString::fromUcs4(U"\U0001F3B5") + QStringLiteral("b");
    QCOMPARE(emoji.size(), 4);
    QVERIFY(!western.canEncode(emoji));
    QCOMPARE(western.encode(emoji), QByteArray("a?b"));
    // A lone surrogate is unusable too.
    QCOMPARE(western.encode(QString(QChar(0xD800))), QByteArray("?"));
}

void TestCodePage::unknownNumbersFallBackTo1252()
{
    QCOMPARE(CodePage::byNumber(437).number(), 1252);
    QCOMPARE(CodePage::byNumber(0).number(), 1252);
    QCOMPARE(CodePage::byNumber(65001).number(), 1252);
    QCOMPARE(&CodePage::byNumber(1251), &CodePage::byNumber(1251));
}

void TestCodePage::languagesChooseTheirPage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("number");
    QTest::newRow("Russian") << int(QLocale::Russian) << 1251;
    QTest::newRow("Ukrainian") << int(QLocale::Ukrainian) << 1251;
    QTest::newRow("Macedonian") << int(QLocale::Macedonian) << 1251;
    QTest::newRow("Polish") << int(QLocale::Polish) << 1250;
    QTest::newRow("Albanian") << int(QLocale::Albanian) << 1250;
    QTest::newRow("Greek") << int(QLocale::Greek) << 1253;
    QTest::newRow("Azerbaijani") << int(QLocale::Azerbaijani) << 1254;
    QTest::newRow("Hebrew") << int(QLocale::Hebrew) << 1255;
    QTest::newRow("Urdu") << int(QLocale::Urdu) << 1256;
    QTest::newRow("Lithuanian") << int(QLocale::Lithuanian) << 1257;
    QTest::newRow("Vietnamese") << int(QLocale::Vietnamese) << 1258;
    QTest::newRow("Thai") << int(QLocale::Thai) << 874;
    QTest::newRow("German") << int(QLocale::German) << 1252;
    QTest::newRow("Japanese") << int(QLocale::Japanese) << 1252;
    QTest::newRow("C") << int(QLocale::C) << 1252;
}

void TestCodePage::languagesChooseTheirPage()
{
    QFETCH(int, language);
    QFETCH(int, number);
    QCOMPARE(CodePage::forLanguage(QLocale::Language(language)).number(), number);
}

void TestCodePage::cLocaleUses1252()
{
    if (QLocale::system().language() != QLocale::C)
        QSKIP("runs under the C locale only (LC_ALL=C.UTF-8, as the test runner sets)");
    QCOMPARE(CodePage::system().number(), 1252);
}

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
