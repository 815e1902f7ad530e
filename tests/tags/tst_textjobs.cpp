// The two text jobs in the core: a list's lines cleaned and paired with the files in order, and
// case and replace over the chosen fields, as texts and as the bytes they leave on disk.

#include "support/TestFiles.h"

#include "tags/codepage/CodePage.h"
#include "tags/jobs/CaseJob.h"
#include "tags/jobs/JobApply.h"
#include "tags/jobs/ListJob.h"
#include "tags/jobs/ValuesJob.h"

#include <QTest>

using namespace TestFiles;

Q_DECLARE_METATYPE(LetterCase)

namespace {

// The single file of folder planned with the planner, then applied.
JobRow planAndApply(const TempFolder &folder, const JobPlanner &planner, const CodePage &page)
{
    FileStatus listed = FileStatus::success();
    const std::vector<JobRow> rows = previewJob(listJobFiles(folder.path(), listed), planner, page);
    if (rows.size() != 1)
        return {};
    applyJob(rows, {});
    return rows.front();
}

// find as the tables write it: "/.../" is a regular expression, "i:" before it ignores case.
CaseOptions optionsOf(LetterCase letterCase, QString find, const QString &with, bool trim = false)
{
    CaseOptions options;
    options.letterCase = letterCase;
    options.trimSpaces = trim;
    options.caseSensitive = !find.startsWith("i:");
    if (!options.caseSensitive)
        find.remove(0, 2);
    options.regex = find.size() > 1 && find.startsWith(u'/') && find.endsWith(u'/');
    options.find = options.regex ? find.mid(1, find.size() - 2) : find;
    options.replaceWith = with;
    return options;
}

}  // namespace

class TestTextJobs : public QObject {
    Q_OBJECT

private slots:
    void cleansListLines_data();
    void cleansListLines();
    void pairsLinesWithFiles();
    void changesText_data();
    void changesText();
    void caseOnDisk_data();
    void caseOnDisk();
    void valuesRefuseControlCharacters();
};

void TestTextJobs::cleansListLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("numbers");
    QTest::addColumn<bool>("durations");
    QTest::addColumn<QString>("expected");

    auto row = [](const char *line, bool numbers, bool durations, const char *expected) {
        QTest::newRow(line) << QString::fromUtf8(line) << numbers << durations << QString::fromUtf8(expected);
    };
    row("1. Morning Walk", true, true, "Morning Walk");
    row("01 - Morning Walk", true, true, "Morning Walk");
    row("1) Morning Walk", true, true, "Morning Walk");
    row("A1 Morning Walk", true, true, "Morning Walk");
    row("B2. Dusk (3:45)", true, true, "Dusk");
    row("12.Noon", true, true, "Noon");
    row("  3 \xE2\x80\x93 Noon \xE2\x80\x93 4:01  ", true, true, "Noon");
    row("Noon 3:45", true, true, "Noon");
    row("Noon [1:02:03]", true, true, "Noon");
    row("Noon - 12:07", true, true, "Noon");
    row("01 - Noon (3:45)", false, true, "01 - Noon");
    row("01 - Noon (3:45) ", true, false, "Noon (3:45)");
    row("3.14 Pi", true, true, "3.14 Pi");
    row("1999", true, true, "1999");
    row("Walk (Live at 10:30)", true, true, "Walk (Live at 10:30)");
    row("99 Red Kettles", true, true, "Red Kettles");  // a title opening with a number needs the box unticked
    row("7. 3:45", true, true, "");
    row("1.\xC2\xA0Noon\xC2\xA0(3:45)", true, true, "Noon");
    row("04. \xD0\x93\xD1\x80\xD1\x83\xD0\xBF\xD0\xBF\xD0\xB0 (4:46)", true, true,
        "\xD0\x93\xD1\x80\xD1\x83\xD0\xBF\xD0\xBF\xD0\xB0");
}

void TestTextJobs::cleansListLines()
{
    QFETCH(QString, line);
    QFETCH(bool, numbers);
    QFETCH(bool, durations);
    QFETCH(QString, expected);
    ListOptions options;
    options.dropNumbers = numbers;
    options.dropDurations = durations;
    QCOMPARE(cleanListLine(line, options), expected);
}

void TestTextJobs::pairsLinesWithFiles()
{
    // Blank lines (NULs count as blank) are dropped; a line cleaned to nothing keeps its place and
    // skips its file, as does one holding a NUL.
    const char text[] = "\xEF\xBB\xBF" "1. Noon 3:45\r\n\r\n   \n2. 4:01\r\0 \0\n3. Dusk\nTe\0a\n";
    const QStringList lines = listLines(QString::fromUtf8(text, sizeof text - 1), ListOptions{});
    QCOMPARE(lines, QStringList({"Noon", "", "Dusk", QString::fromUtf8("Te\0a", 4)}));
    QCOMPARE(listCountMismatch(3, 4), QStringLiteral("3 lines for 4 files"));
    QCOMPARE(listCountMismatch(1, 2), QStringLiteral("1 line for 2 files"));
    QCOMPARE(listCountMismatch(4, 1), QStringLiteral("4 lines for 1 file"));
    QCOMPARE(listCountMismatch(3, 3), QString());

    TempFolder folder;
    const QByteArray old = trailer("Old", "Kettle", {}, {}, QByteArray(28, ' ') + QByteArray("\0\2", 2));
    for (const char *name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"})
        QVERIFY(writeFile(folder.file(name), song(900, name[0] == 'a' ? QByteArray() : old)));
    FileStatus listed = FileStatus::success();
    const std::vector<JobFile> files = listJobFiles(folder.path(), listed);
    const std::vector<JobRow> rows = previewJob(files, listPlanner(lines, files, TagField::Title), CodePage::byNumber(1252));
    QCOMPARE(rows.size(), size_t(5));
    const char *states[] = {"will change", "skipped", "will change", "skipped", "skipped"};
    for (size_t i = 0; i < rows.size(); ++i)
        QCOMPARE(jobStateName(rows[i].state), states[i]);
    QVERIFY(rows[1].reason.contains("empty"));
    QCOMPARE(rows[3].reason, QStringLiteral("title: holds a control character (U+0000)"));
    QVERIFY(rows[4].reason.contains("no line"));

    QCOMPARE(applyJob(rows, {}).written, 2);
    QCOMPARE(readFile(folder.file("a.mp3")).mid(900), trailer("Noon", {}, {}, {}, {}, 255));
    QByteArray dusk = old;
    dusk.replace(3, 4, "Dusk");  // the track beside the comment stays
    QCOMPARE(readFile(folder.file("c.mp3")).mid(900), dusk);
    QCOMPARE(readFile(folder.file("d.mp3")).mid(900), old);
    QCOMPARE(readFile(folder.file("e.mp3")).mid(900), old);
}

void TestTextJobs::changesText_data()
{
    QTest::addColumn<QString>("text");  // U+2400 stands for a NUL
    QTest::addColumn<LetterCase>("letterCase");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<bool>("trim");
    QTest::addColumn<QString>("expected");

    auto row = [](const char *tag, const char *text, LetterCase letterCase, const char *find, const char *with,
                  bool trim, const char *expected) {
        QTest::newRow(tag) << QString::fromUtf8(text) << letterCase << QString::fromUtf8(find)
                           << QString::fromUtf8(with) << trim << QString::fromUtf8(expected);
    };
    const LetterCase keep = LetterCase::Keep, title = LetterCase::Title;
    row("title small words", "the END of the road", title, "", "", false, "The End of the Road");
    row("title last small word", "what it is made of", title, "", "", false, "What It Is Made Of");
    row("title apostrophe", "DON'T STOP ROCK'N'ROLL", title, "", "", false, "Don't Stop Rock'n'roll");
    row("title hyphen", "jay-z and anne-marie", title, "", "", false, "Jay-Z and Anne-Marie");
    row("title parts", "walk - the live one: a story (of the night)", title, "", "", false,
        "Walk - The Live One: A Story (Of the Night)");
    row("title numbers", "the 4th of july", title, "", "", false, "The 4th of July");
    row("title spaces kept", "  red   kettle ", title, "", "", false, "  Red   Kettle ");
    row("title cyrillic", "группа КРОВИ", title, "", "", false, "Группа Крови");
    row("sentence", "THE END. of the ROAD", LetterCase::Sentence, "", "", false, "The end. Of the road");
    row("upper cyrillic", "Группа крови", LetterCase::Upper, "", "", false, "ГРУППА КРОВИ");
    row("lower", "Red KETTLE", LetterCase::Lower, "", "", false, "red kettle");
    row("trim and collapse", "  Red    Kettle  ", keep, "", "", true, "Red Kettle");
    row("plain replace", "Feat. Tea feat. Kettle", keep, "feat.", "ft.", false, "Feat. Tea ft. Kettle");
    row("plain ignoring case", "Feat. Tea feat. Kettle", keep, "i:feat.", "ft.", false, "ft. Tea ft. Kettle");
    row("plain is not a pattern", "a.c abc", keep, "a.c", "x", false, "x abc");
    row("regex captures", "Kettle, Red", keep, "/^(\\w+), (\\w+)$/", "\\2 \\1", false, "Red Kettle");
    row("regex cyrillic word", "Кино, Группа", keep, "/^(\\w+), (\\w+)$/", "\\2 \\1", false, "Группа Кино");
    row("regex ignoring case", "Live LIVE live", keep, "i:/live/", "X", false, "X X X");
    row("regex minding case", "Noon (Remastered 2009)", keep, "/\\(remastered.*\\)/", "", true,
        "Noon (Remastered 2009)");
    row("regex ignoring case, trimmed", "Noon (Remastered 2009)", keep, "i:/\\(remastered.*\\)/", "", true, "Noon");
    row("case then replace", "ac/dc live", title, "Ac/dc", "AC/DC", false, "AC/DC Live");
    row("empty match", "ab", keep, "/x*/", "-", false, "-a-b-");
    row("after a NUL kept", "noon\u2400junk", LetterCase::Upper, "", "", false, "NOON\u2400junk");
}

void TestTextJobs::changesText()
{
    QFETCH(QString, text);
    QFETCH(LetterCase, letterCase);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(bool, trim);
    QFETCH(QString, expected);
    text.replace(u'\u2400', QChar(0));
    expected.replace(u'\u2400', QChar(0));
    const TextChange change(optionsOf(letterCase, find, with, trim));
    QCOMPARE(change.problem(), QString());
    QCOMPARE(change.apply(text), expected);
}

void TestTextJobs::caseOnDisk_data()
{
    QTest::addColumn<QByteArray>("before");  // empty: the file has no trailer
    QTest::addColumn<QString>("fields");
    QTest::addColumn<LetterCase>("letterCase");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("after");

    const QString all = QStringLiteral("title,artist,album,comment");
    const LetterCase upper = LetterCase::Upper;
    QByteArray track = trailer("noon", {}, {}, {}, "nice");
    track[125] = 0;
    track[126] = 7;
    QByteArray trackUpper = track;
    trackUpper.replace(3, 4, "NOON").replace(97, 4, "NICE");
    const QByteArray wide(29, 'a');

    QTest::newRow("cyrillic upper in 1251")
        << trailer("\xC3\xF0\xF3\xEF\xEF\xE0 \xEA\xF0\xEE\xE2\xE8") << all << upper << "" << "" << 1251
        << "will change" << "" << trailer("\xC3\xD0\xD3\xCF\xCF\xC0 \xCA\xD0\xCE\xC2\xC8");
    QTest::newRow("track kept beside the comment") << track << all << upper << "" << "" << 1252 << "will change"
                                                  << "" << trackUpper;
    QTest::newRow("only the ticked fields") << trailer("noon", "kettle") << "artist" << upper << "" << "" << 1252
                                           << "will change" << "" << trailer("noon", "KETTLE");
    QTest::newRow("year replaced, never cased") << trailer("noon", {}, {}, "199x") << "title,year" << upper << "x"
                                               << "9" << 1252 << "will change" << "" << trailer("NOON", {}, {}, "1999");
    QTest::newRow("no longer fits") << trailer(wide + "\xDF") << all << upper << "" << "" << 1252 << "skipped"
                                    << "would be cut" << QByteArray();
    QTest::newRow("cannot be stored") << trailer("tea") << all << LetterCase::Keep << "a" << "\u0416" << 1252
                                      << "skipped" << "cannot be stored" << QByteArray();
    QTest::newRow("invalid expression") << trailer("tea") << all << LetterCase::Keep << "/(tea/" << "" << 1252
                                        << "skipped" << "is not valid" << QByteArray();
    QTest::newRow("control in the replacement") << trailer("tea") << all << LetterCase::Keep << "a" << "\u001B" << 1252
                                                << "skipped" << "the replacement text holds a control character"
                                                << QByteArray();
    QTest::newRow("reference past the groups") << trailer("tea") << all << LetterCase::Keep << "/(e)/" << "\\3" << 1252
                                               << "skipped" << "replacement's \"\\3\" names a group" << QByteArray();
    QTest::newRow("match limit") << trailer(QByteArray(29, 'a') + 'b') << all << LetterCase::Keep << "/(a+)+$/" << "x"
                                 << 1252 << "skipped" << "title: the regular expression \"(a+)+$\" went past the engine's match limit"
                                 << QByteArray();
    QTest::newRow("already so") << trailer("NOON") << all << upper << "" << "" << 1252 << "unchanged" << ""
                                << QByteArray();
    QTest::newRow("no trailer stays without") << QByteArray() << all << upper << "" << "" << 1252 << "unchanged" << ""
                                             << QByteArray();
}

void TestTextJobs::caseOnDisk()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, fields);
    QFETCH(LetterCase, letterCase);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(int, page);
    QFETCH(QString, state);
    QFETCH(QString, reason);
    QFETCH(QByteArray, after);

    CaseOptions options = optionsOf(letterCase, find, with);
    options.fields.clear();
    for (const QString &name : fields.split(u','))
        options.fields.push_back(*textFieldNamed(name));
    TempFolder folder;
    QVERIFY(writeFile(folder.file("a.mp3"), song(700, before)));
    const JobRow row = planAndApply(folder, casePlanner(options, CodePage::byNumber(page)), CodePage::byNumber(page));
    QCOMPARE(jobStateName(row.state), qPrintable(state));
    QVERIFY2(row.reason.contains(reason), qPrintable(row.reason));
    QCOMPARE(readFile(folder.file("a.mp3")), song(700, row.state == JobState::WillChange ? after : before));
}

void TestTextJobs::valuesRefuseControlCharacters()
{
    TempFolder folder;
    QVERIFY(writeFile(folder.file("a.mp3"), song(700, trailer("tea"))));
    FieldEdits edits;
    edits.artist = QStringLiteral("Kettle");
    edits.album = QStringLiteral("Tea\u0085Time");
    const JobRow row = planAndApply(folder, valuesPlanner(edits), CodePage::byNumber(1252));
    QCOMPARE(row.reason, QStringLiteral("album: holds a control character (U+0085)"));
    QCOMPARE(readFile(folder.file("a.mp3")), song(700, trailer("tea")));
}

QTEST_GUILESS_MAIN(TestTextJobs)
#include "tst_textjobs.moc"
