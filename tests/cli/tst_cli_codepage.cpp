// velmora-cli and the tags' code page: --codepage for list, set and rename, the stored choice,
// and the suggestion for a folder, running the real program on real files.

#include "CliTestHelpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace CliTest;

namespace {

// "Утро" by "Кино" in 1251; "東京Αｱ" (two, two and one byte) by "坂本九" in 932, the second
// with a lead byte cut off.
const QByteArray cyrillicTrailer = trailer("\xD3\xF2\xF0\xEE", "\xCA\xE8\xED\xEE");
const QByteArray japaneseTrailer = trailer("\x93\x8C\x8B\x9E\x83\x9F\xB1", "\x8D\xE2\x96\x7B\x8B\xE3\x82");

void makeFolder(const TempFolder &folder)
{
    QVERIFY(writeFile(folder.file("ru.mp3"), song(300, cyrillicTrailer)));
    QVERIFY(writeFile(folder.file("ru2.mp3"), song(300, cyrillicTrailer)));
}

// The settings file the window writes, in the test's own settings folder; or in its place a
// FIFO ("<fifo>") or a link to /dev/zero ("<zero>").
class StoredChoice {
public:
    explicit StoredChoice(const QByteArray &text)
        : m_path(QFile::decodeName(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/quorrel.ini"))
    {
        QDir().mkpath(QFileInfo(m_path).path());
        const QByteArray native = QFile::encodeName(m_path);
        if (text == "<fifo>") {
            QVERIFY(::mkfifo(native.constData(), 0600) == 0);
            return;
        }
        if (text == "<zero>") {
            QVERIFY(::symlink("/dev/zero", native.constData()) == 0);
            return;
        }
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    }
    ~StoredChoice() { QFile::remove(m_path); }
    QByteArray path() const { return QFile::encodeName(m_path); }

private:
    QString m_path;
};

}  // namespace

class TestCliCodePage : public QObject {
    Q_OBJECT

private slots:
    void listDecodesInTheChosenPage_data();
    void listDecodesInTheChosenPage();
    void theStoredChoiceCountsUnlessTheOptionIsGiven();
    void setEncodesInTheChosenPageAndMeasuresBytes_data();
    void setEncodesInTheChosenPageAndMeasuresBytes();
    void renameProposesFromTheDecodedText();
    void codepagePrintsTheSuggestion();
    void aSettingsFileThatCannotServeIsSaidOnce_data();
    void aSettingsFileThatCannotServeIsSaidOnce();
};

void TestCliCodePage::listDecodesInTheChosenPage_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("trailerBytes");
    QTest::addColumn<QByteArray>("row");
    QTest::newRow("system page") << QStringList{} << cyrillicTrailer
                                 << QByteArray("s.mp3\t\xC3\x93\xC3\xB2\xC3\xB0\xC3\xAE\t\xC3\x8A\xC3\xA8\xC3\xAD\xC3\xAE\t");
    QTest::newRow("number") << QStringList{"--codepage", "1251"} << cyrillicTrailer
                            << QByteArray("s.mp3\t\xD0\xA3\xD1\x82\xD1\x80\xD0\xBE\t\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE\t");
    QTest::newRow("name, cut lead escaped") << QStringList{"--codepage=shift_jis"} << japaneseTrailer
                                            << QByteArray("s.mp3\t東京Αｱ\t坂本九\\x82\t");
    QTest::newRow("JSON") << QStringList{"--json", "--codepage", "932"} << japaneseTrailer
                          << QByteArray("\"title\":\"東京Αｱ\",\"artist\":\"坂本九\\\\x82\",");
}

void TestCliCodePage::listDecodesInTheChosenPage()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, trailerBytes);
    QFETCH(QByteArray, row);
    TempFolder folder;
    QVERIFY(writeFile(folder.file("s.mp3"), song(300, trailerBytes)));
    const Run run = runCli(QStringList{"list"} + options, folder.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(row), run.out.constData());
}

void TestCliCodePage::theStoredChoiceCountsUnlessTheOptionIsGiven()
{
    TempFolder folder;
    makeFolder(folder);
    const StoredChoice stored("[Main]\nGenre=0\n[Tags]\nCodePage=1251\n");
    QVERIFY(runCli({"list"}, folder.path()).out.contains("\t\xD0\xA3\xD1\x82\xD1\x80\xD0\xBE\t"));
    QVERIFY(runCli({"list", "--codepage", "1252"}, folder.path()).out.contains("\t\xC3\x93\xC3\xB2"));
    QVERIFY(runCli({"list", "--codepage", "system"}, folder.path()).out.contains("\t\xC3\x93\xC3\xB2"));
    const Run bad = runCli({"list", "--codepage", "437"}, folder.path());
    QCOMPARE(bad.exitCode, 2);
    QVERIFY2(bad.err.contains("\"437\" is not a code page"), bad.err.constData());
    QCOMPARE(bad.out, QByteArray());
}

void TestCliCodePage::setEncodesInTheChosenPageAndMeasuresBytes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("title");  // the stored bytes; empty: the file is untouched
    QTest::addColumn<QByteArray>("error");
    QTest::newRow("Shift-JIS") << QStringList{"--codepage", "932", "--title", "東京"} << 0
                               << QByteArray("\x93\x8C\x8B\x9E") << QByteArray();
    QTest::newRow("15 kanji fit") << QStringList{"--codepage", "932", "--title", QString(15, QChar(0x6771))} << 0
                                  << QByteArray("\x93\x8C").repeated(15) << QByteArray();
    QTest::newRow("16 kanji do not") << QStringList{"--codepage", "932", "--title", QString(16, QChar(0x6771))} << 2
                                     << QByteArray() << QByteArray("takes 32 bytes in code page 932; the field holds 30");
    QTest::newRow("not in the page") << QStringList{"--codepage", "1251", "--title", "東京"} << 2 << QByteArray()
                                     << QByteArray("code page 1251 cannot store");
    QTest::newRow("unknown page") << QStringList{"--codepage", "utf-8", "--title", "x"} << 2 << QByteArray()
                                  << QByteArray("is not a code page");
}

void TestCliCodePage::setEncodesInTheChosenPageAndMeasuresBytes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, error);
    TempFolder folder;
    const QByteArray before = song(300, trailer("Old", "Band"));
    QVERIFY(writeFile(folder.file("s.mp3"), before));
    const Run run = runCli(QStringList{"set", "s.mp3"} + arguments, folder.path());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(error), run.err.constData());
    const QByteArray after = readFile(folder.file("s.mp3"));
    if (title.isEmpty())
        QCOMPARE(after, before);
    else
        QCOMPARE(after.right(128).mid(3, 30), title + QByteArray(30 - title.size(), ' '));
}

void TestCliCodePage::renameProposesFromTheDecodedText()
{
    TempFolder folder;
    QVERIFY(writeFile(folder.file("ru.mp3"), song(300, cyrillicTrailer)));
    const Run run = runCli({"rename", "ru.mp3", "--codepage", "cyrillic", "--dry-run"}, folder.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("ru.mp3 -> \xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE-\xD0\xA3\xD1\x82\xD1\x80\xD0\xBE.MP3\n"));
}

void TestCliCodePage::codepagePrintsTheSuggestion()
{
    TempFolder folder;
    makeFolder(folder);
    const Run run = runCli({"codepage", "."}, folder.path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith("suggested: Cyrillic (1251)\nin use: "), run.out.constData());
    QVERIFY(run.out.contains("files: 2, tagged: 2"));

    TempFolder ascii;
    QVERIFY(writeFile(ascii.file("a.mp3"), song(300, trailer("Song", "Band"))));
    QVERIFY(runCli({"codepage"}, ascii.path()).out.startsWith("suggested: none (the tags are plain ASCII"));
    const StoredChoice stored("[Tags]\nCodePage=949\n");
    QVERIFY(runCli({"codepage"}, ascii.path()).out.contains("in use: Korean (949)\n"));
    QCOMPARE(runCli({"codepage", "missing"}, ascii.path()).exitCode, 1);
}

void TestCliCodePage::aSettingsFileThatCannotServeIsSaidOnce_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QByteArray>("said");  // after "velmora-cli: "; <file> stands for the settings file's path
    QTest::newRow("FIFO") << QByteArray("<fifo>") << QByteArray("The settings file <file> is not read: Not a regular file.");
    QTest::newRow("link to /dev/zero") << QByteArray("<zero>") << QByteArray("The settings file <file> is not read: Not a regular file.");
    QTest::newRow("0x4e3") << QByteArray("[Tags]\nCodePage=0x4e3\n") << QByteArray("The code page \"0x4e3\" in the settings");
}

// A FIFO hung every command and /dev/zero ran it out of memory; an invalid value went unsaid. Now
// the command finishes at once in the system's page and says what is wrong once.
void TestCliCodePage::aSettingsFileThatCannotServeIsSaidOnce()
{
    QFETCH(QByteArray, settings);
    QFETCH(QByteArray, said);
    TempFolder folder;
    makeFolder(folder);
    const StoredChoice stored(settings);
    QElapsedTimer clock;
    clock.start();
    const Run list = runCli({"list"}, folder.path());
    QVERIFY(clock.elapsed() < 20000);
    QCOMPARE(list.exitCode, 0);
    QVERIFY2(list.out.contains("\t\xC3\x93\xC3\xB2\xC3\xB0\xC3\xAE\t"), list.out.constData());  // 1252
    QVERIFY2(list.err.startsWith("velmora-cli: " + said.replace("<file>", stored.path())), list.err.constData());
    QCOMPARE(list.err.count('\n'), 1);
}

QTEST_GUILESS_MAIN(TestCliCodePage)
#include "tst_cli_codepage.moc"
