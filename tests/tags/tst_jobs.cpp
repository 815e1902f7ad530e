// Folder jobs in the core: the file-name matcher as one table, the pattern guess over a folder's
// names, the preview's states and reasons (code page, field bytes, the ID3v1.1 track beside the
// comment), and Apply: only changed files written, every save in one batch of the journal.

#include "support/TestFiles.h"

#include "tags/codepage/CodePage.h"
#include "tags/jobs/JobApply.h"
#include "tags/jobs/NameJob.h"
#include "tags/jobs/NumberJob.h"
#include "tags/jobs/RenameJob.h"
#include "tags/jobs/PatternGuess.h"
#include "tags/journal/JournalUndo.h"
#include "tags/journal/SaveJournal.h"

#include <QTest>

using namespace TestFiles;

namespace {

// "t=Up|a=T-Pain|n=1": the fields a match gives, by code letter; else "no match: " and why.
QString describe(const std::optional<NameValues> &values, const QString &why)
{
    if (!values)
        return QStringLiteral("no match: ") + why;
    const char codes[] = "talycngx";
    QStringList parts;
    for (int i = 0; i < NameFieldCount; ++i) {
        if (const std::optional<QString> &value = values->values[size_t(i)])
            parts += QString(QLatin1Char(codes[i])) + u'=' + *value;
    }
    return parts.join(u'|');
}

const QStringList albumNames = {
    "01 - T-Pain - Up.mp3",          "02 - Jay-Z - Ninety.mp3",       "03 - A-ha - Take On Me.mp3",
    "04 - Red Kettle - Morning Walk.mp3", "05 - Blue-Eyed Soul - Late.mp3", "06 - Red Kettle - Noon.mp3",
    "07 - Red Kettle - Walk - Live.mp3",  "08 - Mo-Do - Eins.mp3",          "09 - Red Kettle - Dusk.mp3",
    "10 - Anne-Marie - Rain.mp3",    "11 - Red Kettle - Night.mp3",   "12 - Red Kettle - Dawn.mp3",
    "Bonus Track.mp3",
};

// A comment of its 28 bytes, then byte 28 = 0 and byte 29 = track.
QByteArray besideTrack(const QByteArray &comment, int track)
{
    return comment.leftJustified(28, ' ') + '\0' + char(track);
}

// One file's row planned and applied: its state and reason, and the file's bytes after (the
// audio untouched, the trailer as expected; a file that does not change not touched at all).
void planAndApply(const QByteArray &name, const QByteArray &trailerBefore,
                  const std::function<JobPlanner(const std::vector<JobFile> &)> &plannerFor, int page,
                  const QString &state, const QString &reason, const QByteArray &trailerAfter)
{
    TempFolder folder, journalFolder;
    const QByteArray before = song(1500, trailerBefore);
    QVERIFY(writeFile(folder.file(name), before));
    FileStatus listed = FileStatus::success();
    const std::vector<JobFile> files = listJobFiles(folder.path(), listed);
    QVERIFY(listed);
    QCOMPARE(files.size(), size_t(1));
    const std::vector<JobRow> rows = previewJob(files, plannerFor(files), CodePage::byNumber(page));
    QCOMPARE(rows.size(), size_t(1));
    const JobRow &row = rows.front();
    QCOMPARE(QString::fromLatin1(jobStateName(row.state)), state);
    QVERIFY2(row.reason.contains(reason), qPrintable(row.reason));
    QCOMPARE(row.reason.isEmpty(), reason.isEmpty());

    SaveJournal journal(journalFolder.path());
    const JobSummary summary = applyJob(rows, {&journal, false, {}});
    QCOMPARE(summary.written, row.state == JobState::WillChange ? 1 : 0);
    const QByteArray after = readFile(files.front().path);
    if (row.state == JobState::WillChange) {
        QCOMPARE(after.left(1500), before.left(1500));
        QCOMPARE(after.mid(1500), trailerAfter);
    } else {
        QCOMPARE(after, before);
    }
}

}  // namespace

class TestJobs : public QObject {
    Q_OBJECT

private slots:
    void matchesNames_data();
    void matchesNames();
    void writesNamesBack_data();
    void writesNamesBack();
    void refusesBadPatterns_data();
    void refusesBadPatterns();
    void guessesPattern_data();
    void guessesPattern();
    void previewStates_data();
    void previewStates();
    void numbersTracks_data();
    void numbersTracks();
    void renamesInOneBatch();
    void appliesOnlyChangesInOneBatch();
    void stopsAfterTheCurrentFile();
};

void TestJobs::matchesNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("underscores");
    QTest::addColumn<QString>("expected");

    auto row = [](const char *tag, const char *name, const char *pattern, bool underscores, const char *expected) {
        QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(pattern) << underscores
                           << QString::fromUtf8(expected);
    };
    row("hyphenated artist", "01 - T-Pain - Up", "%n - %a - %t", false, "t=Up|a=T-Pain|n=01");
    row("separator inside title", "07 - Red Kettle - Walk - Live", "%n - %a - %t", false,
        "t=Walk - Live|a=Red Kettle|n=07");
    row("plain hyphen splits first", "T-Pain-Up-Live", "%a-%t", false, "t=Pain-Up-Live|a=T");
    row("spaces trimmed", "  Red Kettle   -   Noon  ", "%a-%t", false, "t=Noon|a=Red Kettle");
    row("track 255", "255. Last", "%n. %t", false, "t=Last|n=255");
    row("track 0", "00. Zero", "%n. %t", false, "no match: track number 00 is below 1");
    row("track 256", "0256. Over", "%n. %t", false, "no match: track number 256 is above 255");
    row("track not digits", "A1. Side", "%n. %t", false, "no match: the track number 'A1' is not a number");
    row("track overflowing int", "99999999999999999999. Big", "%n. %t", false,
        "no match: track number 99999999999999999999 is above 255");
    row("year digits", "Kettle (1999)", "%a (%y)", false, "a=Kettle|y=1999");
    row("year not digits", "Kettle (late)", "%a (%y)", false, "no match: the year 'late' is not a number");
    row("closing literal anchored", "Kettle (live) (2001)", "%a (%y)", false,
        "no match: the year 'live) (2001' is not a number");
    row("closing literal missing", "Kettle (2001", "%a (%y)", false, "no match: does not end with ')'");
    row("separator missing", "Kettle 2001", "%a (%y)", false, "no match: no ' (' after the artist");
    row("leading literal", "[Kettle] Noon", "[%a] %t", false, "t=Noon|a=Kettle");
    row("leading literal missing", "Kettle] Noon", "[%a] %t", false, "no match: does not begin with '['");
    row("ignored part", "01 - x - Kettle - Noon", "%n - %x - %a - %t", false, "t=Noon|a=Kettle|n=01");
    row("every field", "Kettle - Tea - 2001 - Blues - fine - 3 - Noon", "%a - %l - %y - %g - %c - %n - %t", false,
        "t=Noon|a=Kettle|l=Tea|y=2001|c=fine|n=3|g=Blues");
    row("digits then code", "03Noon", "%n%t", false, "t=Noon|n=03");
    row("empty value", "01 -  - Noon", "%n - %a - %t", false, "no match: the artist is empty");
    row("missing separator", "Bonus Track", "%n - %a - %t", false, "no match: no ' - ' after the track number");
    row("underscores off", "01_Red_Kettle", "%n %t", false, "no match: no ' ' after the track number");
    row("underscores on", "01_Red_Kettle", "%n %t", true, "t=Red Kettle|n=01");
    row("underscore separator read as space", "Red_Kettle_-_Noon", "%a - %t", true, "t=Noon|a=Red Kettle");
    row("percent literal", "100% Kettle - Noon", "100%% %a - %t", false, "t=Noon|a=Kettle");
    row("cyrillic", "03 - Кино - Группа крови", "%n - %a - %t", false, "t=Группа крови|a=Кино|n=03");
    row("literal case counts", "Kettle FEAT Tea", "%a feat %t", false, "no match: no ' feat ' after the artist");
}

void TestJobs::matchesNames()
{
    QFETCH(QString, name);
    QFETCH(QString, pattern);
    QFETCH(bool, underscores);
    QFETCH(QString, expected);
    const NamePattern parsed(pattern);
    QVERIFY2(parsed.isValid(), qPrintable(parsed.problem()));
    QString why;
    const std::optional<NameValues> values = parsed.match(name, underscores, &why);
    QCOMPARE(describe(values, why), expected);
}

// Rename by a pattern writes what Tags from File Names reads: a name read and written again is itself.
void TestJobs::writesNamesBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("separator inside title") << QStringLiteral("07 - Red Kettle - Walk - Live") << QStringLiteral("%n - %a - %t");
    QTest::newRow("percent sign") << QStringLiteral("100% Kettle - Noon") << QStringLiteral("100%% %a - %t");
    QTest::newRow("closing literal") << QStringLiteral("Kettle (1999)") << QStringLiteral("%a (%y)");
    QTest::newRow("leading literal") << QStringLiteral("[Kettle] Noon") << QStringLiteral("[%a] %t");
    QTest::newRow("digits then code") << QStringLiteral("03Noon") << QStringLiteral("%n%t");
    QTest::newRow("every field") << QStringLiteral("Kettle - Tea - 2001 - Blues - fine - 3 - Noon")
                                 << QStringLiteral("%a - %l - %y - %g - %c - %n - %t");
}

void TestJobs::writesNamesBack()
{
    QFETCH(QString, name);
    QFETCH(QString, pattern);
    const NamePattern parsed(pattern);
    const std::optional<NameValues> values = parsed.match(name);
    QVERIFY(values);
    QCOMPARE(parsed.compose(*values), name);
}

void TestJobs::refusesBadPatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("problem");
    QTest::newRow("unknown code") << "%a - %q" << "not a code";
    QTest::newRow("lone percent") << "%a - %" << "lone";
    QTest::newRow("field twice") << "%a - %a" << "named twice";
    QTest::newRow("codes touching") << "%a%t" << "text between";
    QTest::newRow("no field") << "%x - %x" << "names no field";
    QTest::newRow("empty") << "" << "names no field";
}

void TestJobs::refusesBadPatterns()
{
    QFETCH(QString, pattern);
    QFETCH(QString, problem);
    const NamePattern parsed(pattern);
    QVERIFY(!parsed.isValid());
    QVERIFY2(parsed.problem().contains(problem), qPrintable(parsed.problem()));
    QVERIFY(!parsed.match(QStringLiteral("anything - at all")));
}

void TestJobs::guessesPattern_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("underscores");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("matches");

    QTest::newRow("album with bonus") << albumNames << false << "%n - %a - %t" << 12;
    QTest::newRow("own long style") << QStringList{"Red Kettle-Noon.MP3", "Tea-Dusk.MP3", "odd.mp3"} << false << "%a-%t"
                                    << 2;
    QTest::newRow("numbered titles") << QStringList{"01. Noon.mp3", "02. Dusk.mp3"} << false << "%n. %t" << 2;
    QTest::newRow("underscored") << QStringList{"01_Red_Kettle_-_Noon.mp3", "02_Tea_-_Dusk.mp3"} << true
                                 << "%n %a - %t" << 2;
    // A part of digits in every name is a track, or past 255 no field at all, never an artist.
    QStringList numbered;
    for (int i = 1; i <= 300; ++i)
        numbered += QStringLiteral("%1 - Artist %2 - Title %2.mp3").arg(i, 4, 10, QLatin1Char('0')).arg(i);
    QTest::newRow("numbers past 255") << numbered << false << "%x - %a - %t" << 300;
    QTest::newRow("nothing fits") << QStringList{"Noon.mp3", "Dusk.mp3"} << false << "" << 0;
    QTest::newRow("no names") << QStringList{} << false << "" << 0;
}

void TestJobs::guessesPattern()
{
    QFETCH(QStringList, names);
    QFETCH(bool, underscores);
    QFETCH(QString, pattern);
    QFETCH(int, matches);
    const PatternGuess guess = guessNamePattern(names, underscores);
    QCOMPARE(guess.pattern, pattern);
    QCOMPARE(guess.matches, matches);
    QCOMPARE(guess.countText(), QStringLiteral("matches %1 of %2 files").arg(matches).arg(names.size()));
}

void TestJobs::previewStates_data()
{
    QTest::addColumn<QByteArray>("trailerBefore");  // empty: the file has none
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("trailerAfter");  // for rows that change

    QByteArray withTrack = trailer("Old", "Kettle", {}, {}, "nice");
    withTrack[125] = 0;
    withTrack[126] = 7;
    QByteArray retracked = trailer("Noon", "Kettle", {}, {}, "nice");
    retracked[125] = 0;
    retracked[126] = 3;
    QByteArray keptTrack = withTrack;
    keptTrack.replace(3, 4, "Noon");

    QTest::newRow("untagged gets a trailer") << QByteArray() << "Kettle - Noon.mp3" << "%a - %t" << 1252
                                             << "will change" << "" << trailer("Noon", "Kettle", {}, {}, {}, 255);
    QTest::newRow("already so") << trailer("Noon", "Kettle") << "Kettle - Noon.mp3" << "%a - %t" << 1252 << "unchanged"
                                << "" << QByteArray();
    QTest::newRow("track kept beside comment") << withTrack << "Noon.mp3" << "%t" << 1252 << "will change" << ""
                                               << keptTrack;
    QTest::newRow("track replaced") << withTrack << "03 - Noon.mp3" << "%n - %t" << 1252 << "will change" << ""
                                    << retracked;
    QTest::newRow("comment too long for a track")
        << trailer("Old", {}, {}, {}, "a comment of twenty-nine bytes") << "03 - Noon.mp3" << "%n - %t" << 1252
        << "skipped" << "beside a track number" << QByteArray();
    QTest::newRow("does not match") << trailer("Old") << "Noon.mp3" << "%n - %t" << 1252 << "skipped"
                                    << "does not match" << QByteArray();
    QTest::newRow("too long") << QByteArray() << "Kettle - A Title Far Too Long For Thirty Bytes.mp3" << "%a - %t"
                              << 1252 << "skipped" << "cut to fit the field's bytes" << QByteArray();
    QTest::newRow("year of five digits") << QByteArray() << "Kettle (19999).mp3" << "%a (%y)" << 1252 << "skipped"
                                         << "cut to fit the field's bytes" << QByteArray();
    QTest::newRow("not in the page") << QByteArray() << "Кино - Noon.mp3" << "%a - %t" << 1252 << "skipped"
                                     << "cannot be stored in the chosen code page" << QByteArray();
    QTest::newRow("cyrillic in 1251") << QByteArray() << "Кино - Звезда.mp3" << "%a - %t" << 1251 << "will change"
                                      << "" << trailer("\xC7\xE2\xE5\xE7\xE4\xE0", "\xCA\xE8\xED\xEE", {}, {}, {}, 255);
    // C0 (with TAB, LF, ESC), DEL and C1: a name's control characters never reach a tag.
    for (const char *control : {"\x01", "\t", "\n", "\x1B", "\x7F", "\xC2\x81"})
        QTest::newRow(qPrintable("control " + QByteArray(control).toHex())) << QByteArray()
            << QString::fromUtf8(QByteArray("Kettle - No") + control + "on.mp3") << "%a - %t" << 1252 << "skipped"
            << QString("title: holds a control character (U+00" + QByteArray(control).right(1).toHex().toUpper() + ")")
            << QByteArray();
    QTest::newRow("genre by name") << QByteArray() << "Blues - Noon.mp3" << "%g - %t" << 1252 << "will change" << ""
                                   << trailer("Noon", {}, {}, {}, {}, 0);
    QTest::newRow("unknown genre") << QByteArray() << "Chiptune Waltz - Noon.mp3" << "%g - %t" << 1252 << "skipped"
                                   << "not in the genre table" << QByteArray();
}

void TestJobs::previewStates()
{
    QFETCH(QByteArray, trailerBefore);
    QFETCH(QString, name);
    QFETCH(QString, pattern);
    QFETCH(int, page);
    QFETCH(QString, state);
    QFETCH(QString, reason);
    QFETCH(QByteArray, trailerAfter);

    planAndApply(name.toUtf8(), trailerBefore, [&](const std::vector<JobFile> &) {
        return nameJobPlanner(NamePattern(pattern), false);
    }, page, state, reason, trailerAfter);
}

void TestJobs::numbersTracks_data()
{
    QTest::addColumn<QByteArray>("trailerBefore");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("options");  // "start=N", "missing", "cut", "free", "given=N"
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("trailerAfter");

    const QByteArray longComment = "a comment of twenty-nine byte";
    const QByteArray numbered = trailer("Noon", {}, {}, {}, besideTrack("nice", 5));
    // 27 bytes, then a character of two bytes in code page 932: the cut keeps it whole or drops it.
    const QByteArray kanji = QByteArray(27, 'k') + "\x93\xFA";
    QTest::newRow("untagged gets number 1") << QByteArray() << 1252 << "" << "will change" << ""
                                            << trailer({}, {}, {}, {}, besideTrack({}, 1), 255);
    QTest::newRow("start") << trailer("Noon") << 1252 << "start=7" << "will change" << ""
                           << trailer("Noon", {}, {}, {}, besideTrack({}, 7));
    QTest::newRow("long comment not cut unasked") << trailer("Noon", {}, {}, {}, longComment) << 1252 << "" << "skipped"
                                                  << "comment would be cut to 28 bytes" << QByteArray();
    QTest::newRow("long comment cut when accepted") << trailer("Noon", {}, {}, {}, longComment) << 1252 << "cut"
                                                    << "will change" << "comment will be cut to 28 bytes"
                                                    << trailer("Noon", {}, {}, {}, besideTrack(longComment.left(28), 1));
    QTest::newRow("cut never halves a character") << trailer("Noon", {}, {}, {}, kanji) << 932 << "cut" << "will change"
                                                  << "comment will be cut to 28 bytes"
                                                  << trailer("Noon", {}, {}, {}, besideTrack(kanji.left(27), 1));
    // Spaces or NULs past byte 28 are padding: an empty comment, or 28 bytes of text, fits.
    QTest::newRow("comment of NULs fits") << trailer("Noon", {}, {}, {}, QByteArray(30, '\0')) << 1252 << "" << "will change"
                                          << "" << trailer("Noon", {}, {}, {}, QByteArray(29, '\0') + '\1');
    QTest::newRow("padding past 28 bytes fits") << trailer("Noon", {}, {}, {}, longComment.left(28) + QByteArray(" \0", 2))
                                                << 1252 << "" << "will change" << ""
                                                << trailer("Noon", {}, {}, {}, besideTrack(longComment.left(28), 1));
    QTest::newRow("only missing keeps a number") << numbered << 1252 << "missing" << "unchanged" << "" << QByteArray();
    QTest::newRow("given number") << numbered << 1252 << "missing given=12" << "will change" << ""
                                  << trailer("Noon", {}, {}, {}, besideTrack("nice", 12));
    QTest::newRow("cleared keeps 28 bytes") << numbered << 1252 << "given=0" << "will change" << ""
                                            << trailer("Noon", {}, {}, {}, besideTrack("nice", 0));
    QTest::newRow("cleared and freed") << numbered << 1252 << "given=0 free" << "will change" << ""
                                       << trailer("Noon", {}, {}, {}, "nice");
    QTest::newRow("clearing no number") << trailer("Noon", {}, {}, {}, longComment) << 1252 << "given=0" << "unchanged" << ""
                                        << QByteArray();
    QTest::newRow("above 255") << QByteArray() << 1252 << "start=256" << "skipped" << "1 to 255" << QByteArray();
}

void TestJobs::numbersTracks()
{
    QFETCH(QByteArray, trailerBefore);
    QFETCH(int, page);
    QFETCH(QString, options);
    QFETCH(QString, state);
    QFETCH(QString, reason);
    QFETCH(QByteArray, trailerAfter);

    NumberOptions number;
    for (const QString &option : options.split(u' ', Qt::SkipEmptyParts)) {
        const QString value = option.section(u'=', 1);
        if (option.startsWith(u"start="))
            number.start = value.toInt();
        else if (option.startsWith(u"given="))
            number.given[0] = value.toInt();
        number.onlyMissing |= option == u"missing";
        number.cutComments |= option == u"cut";
        number.freeCommentBytes |= option == u"free";
    }
    planAndApply("Song.mp3", trailerBefore, [&](const std::vector<JobFile> &files) {
        return numberPlanner(number, files);
    }, page, state, reason, trailerAfter);
}

// Names taken by an earlier row or by a file already there, and unusable names, are skipped; a
// name given up earlier in the job may be taken; one undo of the batch gives every name back.
void TestJobs::renamesInOneBatch()
{
    TempFolder folder, state;
    const QList<QPair<QByteArray, QByteArray>> files = {
        {"A-Z.MP3", song(300, trailer("Y", "A"))},       // gives up its name first
        {"a.mp3", song(301, trailer("Song", "Band"))},
        {"b.mp3", song(302, trailer("Song", "Band"))},   // the same name as a.mp3
        {"c.mp3", song(303, trailer("Rain", "Owl"))},    // a name already there
        {"d.mp3", song(304, trailer("Song", "AC/DC"))},  // unusable
        {"e.mp3", song(305, trailer("Z", "A"))},         // takes A-Z.MP3 once it is free
        {"Owl-Rain.MP3", song(300)},                     // untagged: keeps its name
    };
    for (const auto &[name, bytes] : files)
        QVERIFY(writeFile(folder.file(name), bytes));
    FileStatus listed = FileStatus::success();
    const std::vector<JobRow> rows =
        previewJob(listJobFiles(folder.path(), listed), renamePlanner(true, CodePage::byNumber(1252)), CodePage::byNumber(1252));
    QStringList states;
    for (const JobRow &row : rows)
        states += QString::fromLatin1(jobStateName(row.state)) + u' ' + QString::fromUtf8(row.newName);
    QCOMPARE(states, (QStringList{"will change A-Y.MP3", "will change Band-Song.MP3", "skipped ", "skipped ", "skipped ",
                                  "will change A-Z.MP3", "unchanged "}));
    QVERIFY(rows[2].reason.contains("not renamed to \"Band-Song.MP3\""));
    QVERIFY(rows[3].reason.contains("not renamed to \"Owl-Rain.MP3\""));
    QVERIFY(rows[4].reason.contains("\"/\""));

    SaveJournal journal(state.path());
    const JobSummary summary = applyJob(rows, {&journal, false, {}});
    QCOMPARE(summary.written, 3);
    // The job knows its own batch: the window names it by this number, whoever saved since.
    for (const JournalRecord &record : journal.records())
        QCOMPARE(record.batch, summary.batch);
    QCOMPARE(namesIn(folder.path()), (QStringList{"A-Y.MP3", "A-Z.MP3", "Band-Song.MP3", "Owl-Rain.MP3", "b.mp3", "c.mp3", "d.mp3"}));
    QCOMPARE(readFile(folder.file("A-Z.MP3")), files[5].second);
    for (const JournalRecord &record : journal.records())
        QVERIFY(undoChange(journal, record, false));
    for (const auto &[name, bytes] : files)
        QCOMPARE(readFile(folder.file(name)), bytes);
}

void TestJobs::appliesOnlyChangesInOneBatch()
{
    TempFolder folder, state;
    QList<QByteArray> contents;
    for (const QString &name : albumNames) {
        // The sixth file is tagged as the name says already: a job leaves it alone.
        const QByteArray bytes =
            song(2000 + int(contents.size()), name.startsWith("06") ? trailer("Noon", "Red Kettle", {}, {}, QByteArray(28, ' ') + QByteArray("\0\6", 2), 255) : QByteArray());
        QVERIFY(writeFile(folder.file(name.toUtf8()), bytes));
        contents += bytes;
    }
    QVERIFY(setTimes(folder.file("06 - Red Kettle - Noon.mp3"), oldTimes));
    FileStatus listed = FileStatus::success();
    const std::vector<JobFile> files = listJobFiles(folder.path(), listed);
    QCOMPARE(files.size(), size_t(13));
    const std::vector<JobRow> rows =
        previewJob(files, nameJobPlanner(NamePattern(QStringLiteral("%n - %a - %t")), false), CodePage::byNumber(1252));

    SaveJournal journal(state.path());
    int seen = 0;
    JobApply apply;
    apply.journal = &journal;
    apply.afterFile = [&seen](const JobRow &, const TagSaveResult &result) { return result.status && ++seen < 100; };
    const JobSummary summary = applyJob(rows, apply);
    QCOMPARE(summary.written, 11);
    QCOMPARE(summary.unchanged, 1);
    QCOMPARE(summary.skipped, 1);
    QCOMPARE(summary.failed, 0);
    QCOMPARE(seen, 11);

    // Reading may move the access time; only a write moves the modification time.
    QCOMPARE(timesOf(folder.file("06 - Red Kettle - Noon.mp3")).modifiedNs, oldTimes.modifiedNs);
    QCOMPARE(readFile(folder.file("Bonus Track.mp3")), contents.last());
    const QByteArray walk = readFile(folder.file("07 - Red Kettle - Walk - Live.mp3"));
    QCOMPARE(walk.mid(walk.size() - 128, 33), QByteArray("TAGWalk - Live").leftJustified(33, ' '));
    QCOMPARE(walk.at(walk.size() - 3), '\0');
    QCOMPARE(walk.at(walk.size() - 2), '\7');

    const std::vector<JournalRecord> records = journal.records();
    QCOMPARE(records.size(), size_t(11));
    for (const JournalRecord &record : records)
        QCOMPARE(record.batch, records.back().id);
}

// Every record is committed before the first write; a stop leaves the untouched files' records
// closed as nothing changed, and the batch's undo gives back exactly what was written.
void TestJobs::stopsAfterTheCurrentFile()
{
    TempFolder folder, state;
    for (int track = 1; track <= 5; ++track)
        QVERIFY(writeFile(folder.file(QByteArray::number(track) + ". Song.mp3"), song(1000)));
    FileStatus listed = FileStatus::success();
    const std::vector<JobRow> rows = previewJob(listJobFiles(folder.path(), listed),
                                                nameJobPlanner(NamePattern(QStringLiteral("%n. %t")), false),
                                                CodePage::byNumber(1252));
    SaveJournal journal(state.path());
    int calls = 0;
    std::vector<JournalRecord> afterFirst;
    JobApply apply;
    apply.journal = &journal;
    apply.progress = [&](int) {
        if (calls == 0)
            afterFirst = journal.records();
        return ++calls < 2;
    };
    const JobSummary summary = applyJob(rows, apply);
    QCOMPARE(afterFirst.size(), size_t(5));
    for (size_t i = 0; i < 4; ++i)  // newest first: the four files not yet written
        QCOMPARE(afterFirst[i].state, JournalRecord::State::Begun);
    QVERIFY(summary.stopped);
    QCOMPARE(summary.written, 2);
    QCOMPARE(calls, 2);
    for (int track = 3; track <= 5; ++track)
        QCOMPARE(readFile(folder.file(QByteArray::number(track) + ". Song.mp3")), song(1000));

    std::vector<JournalRecord> records = journal.records();
    QCOMPARE(records.size(), size_t(5));
    for (size_t i = 0; i < 5; ++i)
        QCOMPARE(records[i].state, i < 3 ? JournalRecord::State::Nothing : JournalRecord::State::Done);
    QVERIFY(journal.unfinished().empty());
    for (const JournalRecord &record : records) {
        if (record.undoable())
            QVERIFY(undoChange(journal, record, false));
    }
    for (int track = 1; track <= 5; ++track)
        QCOMPARE(readFile(folder.file(QByteArray::number(track) + ". Song.mp3")), song(1000));
}

QTEST_GUILESS_MAIN(TestJobs)
#include "tst_jobs.moc"
