// The code page suggested for a folder's tags, and the page stored in the settings file.

#include "support/TestFiles.h"

#include "tags/codepage/CodePage.h"
#include "tags/codepage/CodePageGuess.h"
#include "tags/trailer/FolderCodePage.h"

#include <QTest>

using TestFiles::song;
using TestFiles::TempFolder;
using TestFiles::trailer;
using TestFiles::writeFile;

namespace {

// Real titles and names as a tagger on a system of that language would store them.
struct Album {
    int page;
    QStringList titles;
    QString artist;
};

const QList<Album> &albums()
{
    static const QList<Album> list = {
        {1251, {"Группа крови", "Звезда по имени Солнце", "Кукушка", "Пачка сигарет"}, "Кино"},
        {1253, {"Τα παιδιά του Πειραιά", "Συννεφιασμένη Κυριακή", "Χάρτινο το φεγγαράκι"}, "Μάνος Χατζιδάκις"},
        {932, {"上を向いて歩こう", "川の流れのように", "見上げてごらん夜の星を"}, "坂本九"},
        {936, {"月亮代表我的心", "甜蜜蜜", "我只在乎你"}, "邓丽君"},
        {950, {"月亮代表我的心", "甜蜜蜜", "我只在乎你", "小城故事"}, "鄧麗君"},
        {949, {"아리랑", "고향의 봄", "사랑해", "비 내리는 호남선"}, "조용필"},
    };
    return list;
}

QByteArray cut(const CodePage &page, const QString &text)
{
    return page.encode(text).left(30);
}

}  // namespace

class TestCodePageGuess : public QObject {
    Q_OBJECT

private slots:
    void realAlbumsAreSuggestedTheirPage_data();
    void realAlbumsAreSuggestedTheirPage();
    void plainAsciiOrTooLittleTextCannotTell();
    void detectorAnswersMapToTheScriptsPage_data();
    void detectorAnswersMapToTheScriptsPage();
    void aFolderOfFilesIsReadForItsSuggestion();
};

void TestCodePageGuess::realAlbumsAreSuggestedTheirPage_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < albums().size(); ++i)
        QTest::newRow(qPrintable(QString::number(albums().at(i).page))) << i;
}

void TestCodePageGuess::realAlbumsAreSuggestedTheirPage()
{
    QFETCH(int, index);
    const Album &album = albums().at(index);
    const CodePage &page = CodePage::byNumber(album.page);
    CodePageGuess guess;
    for (const QString &title : album.titles) {
        guess.addField(cut(page, title));
        guess.addField(cut(page, album.artist));
    }
    QCOMPARE(guess.suggestion(), album.page);
}

void TestCodePageGuess::plainAsciiOrTooLittleTextCannotTell()
{
    CodePageGuess ascii;
    ascii.addField("Yellow Submarine");
    ascii.addField("The Beatles");
    QCOMPARE(ascii.nonAsciiBytes(), 0);
    QCOMPARE(ascii.suggestion(), 0);

    CodePageGuess little;
    little.addField("Caf\xE9");
    QCOMPARE(little.nonAsciiBytes(), 1);
    QCOMPARE(little.suggestion(), 0);
}

void TestCodePageGuess::detectorAnswersMapToTheScriptsPage_data()
{
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<int>("page");
    QTest::newRow("windows") << QByteArray("WINDOWS-1251") << 1251;
    QTest::newRow("sibling of Cyrillic") << QByteArray("KOI8-R") << 1251;
    QTest::newRow("ISO Greek") << QByteArray("ISO-8859-7") << 1253;
    QTest::newRow("Thai") << QByteArray("TIS-620") << 874;
    QTest::newRow("Japanese") << QByteArray("SHIFT_JIS") << 932;
    QTest::newRow("Simplified") << QByteArray("GB18030") << 936;
    QTest::newRow("Korean") << QByteArray("EUC-KR") << 949;
    QTest::newRow("Traditional") << QByteArray("BIG5") << 950;
    QTest::newRow("letter case") << QByteArray("windows-1255") << 1255;
    QTest::newRow("UTF-8 is none of ours") << QByteArray("UTF-8") << 0;
    QTest::newRow("no answer") << QByteArray("") << 0;
}

void TestCodePageGuess::detectorAnswersMapToTheScriptsPage()
{
    QFETCH(QByteArray, charset);
    QFETCH(int, page);
    QCOMPARE(CodePageGuess::pageOfCharset(charset), page);
}

void TestCodePageGuess::aFolderOfFilesIsReadForItsSuggestion()
{
    TempFolder folder;
    const CodePage &page = CodePage::byNumber(1251);
    const Album &album = albums().at(0);
    for (int i = 0; i < album.titles.size(); ++i) {
        const QByteArray name = "song" + QByteArray::number(i) + ".mp3";
        QVERIFY(writeFile(folder.file(name), song(400, trailer(cut(page, album.titles[i]), cut(page, album.artist)))));
    }
    QVERIFY(writeFile(folder.file("untagged.mp3"), song(400)));
    QVERIFY(writeFile(folder.file("notes.txt"), cut(page, album.artist)));
    const FolderGuess guess = guessFolderCodePage(folder.path());
    QVERIFY(guess.status);
    QCOMPARE(guess.files, 5);
    QCOMPARE(guess.tagged, 4);
    QCOMPARE(guess.page, 1251);

    QVERIFY(!guessFolderCodePage(folder.file("missing")).status);
}

QTEST_GUILESS_MAIN(TestCodePageGuess)
#include "tst_codepageguess.moc"
