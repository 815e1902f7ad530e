// velmora-cli from-names on real files: the guessed pattern over an album with a bonus file, the
// trailers written with their track numbers and nothing else touched, one undo of the whole run,
// the dry run's preview, Cyrillic names in code page 1251, and patterns refused as bad usage;
// velmora-cli number on the same album, a long comment cut only when accepted.

#include "CliTestHelpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <optional>

using namespace CliTest;

namespace {

struct AlbumFile {
    const char *name, *title, *artist;
    int track;
};

const AlbumFile album[] = {
    {"01 - T-Pain - Up.mp3", "Up", "T-Pain", 1},
    {"02 - Jay-Z - Ninety.mp3", "Ninety", "Jay-Z", 2},
    {"03 - A-ha - Take On Me.mp3", "Take On Me", "A-ha", 3},
    {"04 - Red Kettle - Morning Walk.mp3", "Morning Walk", "Red Kettle", 4},
    {"05 - Blue-Eyed Soul - Late.mp3", "Late", "Blue-Eyed Soul", 5},
    {"06 - Red Kettle - Noon.mp3", "Noon", "Red Kettle", 6},
    {"07 - Red Kettle - Walk - Live.mp3", "Walk - Live", "Red Kettle", 7},
    {"08 - Mo-Do - Eins.mp3", "Eins", "Mo-Do", 8},
    {"09 - Red Kettle - Dusk.mp3", "Dusk", "Red Kettle", 9},
    {"10 - Anne-Marie - Rain.mp3", "Rain", "Anne-Marie", 10},
    {"11 - Red Kettle - Night.mp3", "Night", "Red Kettle", 11},
    {"12 - Red Kettle - Dawn.mp3", "Dawn", "Red Kettle", 12},
};
const QByteArray bonus = "Bonus Track.mp3";

// Every file of the folder, by name: its bytes.
QMap<QByteArray, QByteArray> contentsOf(const QByteArray &folder)
{
    QMap<QByteArray, QByteArray> contents;
    for (const QByteArray &name : namesIn(folder))
        contents[name] = readFile(folder + '/' + name);
    return contents;
}

}  // namespace

class TestCliFromNames : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void tagsAlbumAndUndoesWhole();
    void dryRunPrintsPreviewOnly();
    void cyrillicNamesInCodePage1251();
    void numbersTheAlbum();
    void refusesBadUsage_data();
    void refusesBadUsage();

private:
    // The album: untagged files, one (the third) tagged with a comment that must go.
    void makeAlbum();

    std::optional<TempFolder> m_folder, m_state;
};

void TestCliFromNames::init()
{
    m_folder.emplace();
    m_state.emplace();
    qputenv("XDG_STATE_HOME", m_state->path());
}

void TestCliFromNames::cleanup()
{
    qunsetenv("XDG_STATE_HOME");
    m_folder.reset();
    m_state.reset();
}

void TestCliFromNames::makeAlbum()
{
    int size = 4000;
    for (const AlbumFile &file : album) {
        const QByteArray tag = file.track == 3 ? trailer("Old", "Someone", "Album", "1985", "nice comment", 13) : QByteArray();
        QVERIFY(writeFile(m_folder->file(file.name), song(size += 37, tag)));
    }
    QVERIFY(writeFile(m_folder->file(bonus), song(5000)));
}

void TestCliFromNames::tagsAlbumAndUndoesWhole()
{
    makeAlbum();
    const QMap<QByteArray, QByteArray> before = contentsOf(m_folder->path());

    const Run run = runCli({"from-names", "."}, m_folder->path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains("pattern \"%n - %a - %t\" (guessed, matches 12 of 13 files)"), run.err);
    QVERIFY2(run.err.contains("Bonus Track.mp3: skipped: does not match"), run.err);
    QVERIFY2(run.err.contains("12 written, 0 unchanged, 1 skipped"), run.err);

    const QMap<QByteArray, QByteArray> after = contentsOf(m_folder->path());
    QCOMPARE(after.keys(), before.keys());
    QCOMPARE(after[bonus], before[bonus]);
    for (const AlbumFile &file : album) {
        const QByteArray old = before[file.name], now = after[file.name];
        const bool wasTagged = file.track == 3;
        // Every byte before the trailer stays; an untagged file grows by one trailer.
        const qsizetype audio = wasTagged ? old.size() - 128 : old.size();
        QCOMPARE(now.size(), audio + 128);
        QCOMPARE(now.left(audio), old.left(audio));
        QByteArray comment = wasTagged ? QByteArray("nice comment").leftJustified(28, ' ') : QByteArray(28, ' ');
        comment += '\0';
        comment += char(file.track);
        QCOMPARE(now.mid(audio), trailer(file.title, file.artist, wasTagged ? "Album" : "", wasTagged ? "1985" : "",
                                         comment, wasTagged ? 13 : 255));
    }

    const Run undo = runCli({"undo", "--batch"}, m_folder->path());
    QCOMPARE(undo.exitCode, 0);
    QCOMPARE(contentsOf(m_folder->path()), before);
}

void TestCliFromNames::dryRunPrintsPreviewOnly()
{
    makeAlbum();
    const QMap<QByteArray, QByteArray> before = contentsOf(m_folder->path());

    const Run json = runCli({"from-names", "--dry-run", "--json", "--pattern", "%n - %a - %t", "."}, m_folder->path());
    QCOMPARE(json.exitCode, 0);
    QVERIFY2(!json.err.contains("guessed"), json.err);
    QJsonParseError error;
    const QJsonArray rows = QJsonDocument::fromJson(json.out, &error).array();
    QVERIFY2(error.error == QJsonParseError::NoError, json.out);
    QCOMPARE(rows.size(), 13);
    const QJsonObject third = rows.at(2).toObject();
    QCOMPARE(third["file"].toString(), QStringLiteral("./03 - A-ha - Take On Me.mp3"));
    QCOMPARE(third["state"].toString(), QStringLiteral("will change"));
    QCOMPARE(third["fields"]["artist"]["old"].toString(), QStringLiteral("Someone"));
    QCOMPARE(third["fields"]["artist"]["new"].toString(), QStringLiteral("A-ha"));
    QCOMPARE(third["fields"]["track"]["old"], QJsonValue());
    QCOMPARE(third["fields"]["track"]["new"].toInt(), 3);
    QVERIFY(!third["fields"].toObject().contains("album"));  // only the fields the pattern names
    const QJsonObject last = rows.at(12).toObject();
    QCOMPARE(last["state"].toString(), QStringLiteral("skipped"));
    QCOMPARE(last["reason"].toString(), QStringLiteral("does not match: no ' - ' after the track number"));

    const Run tsv = runCli({"from-names", "--dry-run", "--pattern", "%n - %a - %t", "."}, m_folder->path());
    QCOMPARE(tsv.exitCode, 0);
    const QList<QByteArray> lines = tsv.out.split('\n');
    QCOMPARE(lines.at(0), QByteArray("file\tstate\treason\told_title\tnew_title\told_artist\tnew_artist\told_track\tnew_track"));
    QCOMPARE(lines.at(7), QByteArray("./07 - Red Kettle - Walk - Live.mp3\twill change\t\t\tWalk - Live\t\tRed Kettle\t\t7"));
    QCOMPARE(lines.at(13),
             QByteArray("./Bonus Track.mp3\tskipped\tdoes not match: no ' - ' after the track number\t\t\t\t\t\t"));

    QCOMPARE(contentsOf(m_folder->path()), before);
    QVERIFY(!exists(m_state->path() + "/velmora/journal.sqlite"));
}

void TestCliFromNames::cyrillicNamesInCodePage1251()
{
    const QByteArray kino = "01 - Кино - Звезда.mp3", tokyo = "02 - Кино - 東京.mp3";
    QVERIFY(writeFile(m_folder->file(kino), song(3000)));
    QVERIFY(writeFile(m_folder->file(tokyo), song(3100)));
    QVERIFY(setTimes(m_folder->file(kino), oldTimes));

    const Run run = runCli({"from-names", "--codepage", "1251", "--keep-times", "--pattern", "%n - %a - %t", "."},
                           m_folder->path());
    QCOMPARE(run.exitCode, 0);
    // The modification time is the user's; the access time moves with the preview's own read.
    QCOMPARE(timesOf(m_folder->file(kino)).modifiedNs, oldTimes.modifiedNs);
    QVERIFY2(run.err.contains("skipped: title: cannot be stored in the chosen code page (1251)"), run.err);
    QByteArray comment(28, ' ');
    comment += QByteArray("\0\1", 2);
    QCOMPARE(readFile(m_folder->file(kino)).mid(3000),
             trailer("\xC7\xE2\xE5\xE7\xE4\xE0", "\xCA\xE8\xED\xEE", {}, {}, comment, 255));
    QCOMPARE(readFile(m_folder->file(tokyo)), song(3100));
}

void TestCliFromNames::numbersTheAlbum()
{
    makeAlbum();
    const QByteArray longComment = "a comment of twenty-nine byte";
    QVERIFY(writeFile(m_folder->file(album[0].name), song(4037, trailer("Up", {}, {}, {}, longComment))));
    const QMap<QByteArray, QByteArray> before = contentsOf(m_folder->path());

    const Run dry = runCli({"number", "--dry-run", "--start", "3", "."}, m_folder->path());
    QCOMPARE(dry.exitCode, 0);
    QVERIFY2(dry.err.contains("01 - T-Pain - Up.mp3: skipped: comment would be cut to 28 bytes"), dry.err);
    QCOMPARE(dry.out.split('\n').at(2),
             QByteArray("./02 - Jay-Z - Ninety.mp3\twill change\t\t\t\t\t4"));
    QCOMPARE(contentsOf(m_folder->path()), before);

    const Run run = runCli({"number", "--start", "3", "--cut-comments", "."}, m_folder->path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains("number: 13 written, 0 unchanged, 0 skipped"), run.err);
    const QByteArray first = readFile(m_folder->file(album[0].name));
    QCOMPARE(first.mid(first.size() - 128 + 97), longComment.left(28) + '\0' + char(3) + '\0');
    const QByteArray last = readFile(m_folder->file(bonus));  // listed last: 3 + 12
    QCOMPARE(last.mid(last.size() - 3, 2), QByteArray("\0\x0F", 2));

    QCOMPARE(runCli({"undo", "--batch"}, m_folder->path()).exitCode, 0);
    QCOMPARE(contentsOf(m_folder->path()), before);
}

void TestCliFromNames::refusesBadUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("unknown code") << QStringList{"from-names", "--pattern", "%n - %q", "."} << QByteArray("not a code");
    QTest::newRow("no operand") << QStringList{"from-names", "--pattern", "%t"} << QByteArray("needs files or folders");
    QTest::newRow("json without dry run") << QStringList{"from-names", "--json", "."} << QByteArray("--dry-run");
    QTest::newRow("number from 0") << QStringList{"number", "--start", "0", "."} << QByteArray("1 to 255");
    QTest::newRow("number without files") << QStringList{"number"} << QByteArray("needs files or folders");
}

void TestCliFromNames::refusesBadUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, message);
    makeAlbum();
    const QMap<QByteArray, QByteArray> before = contentsOf(m_folder->path());
    const Run run = runCli(arguments, m_folder->path());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message), run.err);
    QCOMPARE(contentsOf(m_folder->path()), before);
}

QTEST_GUILESS_MAIN(TestCliFromNames)
#include "tst_cli_fromnames.moc"
