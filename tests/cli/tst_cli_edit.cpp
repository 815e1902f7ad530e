// velmora-cli set and rename on real files: the bytes and names on disk, collisions, read-only
// files and exit codes.

#include "CliTestHelpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace CliTest;

namespace {

constexpr uid_t Nobody = 65534;

const QByteArray nulPadded = trailer(QByteArray("Old\0junk", 8), "Band", {}, "1999", {}, 200, '\0');

// A comment of 28 bytes, then the ID3v1.1 track number.
QByteArray track(int number) { return QByteArray(28, ' ') + '\0' + char(quint8(number)); }

QStringList args(std::initializer_list<const char *> words)
{
    QStringList list;
    for (const char *word : words)
        list << QString::fromUtf8(word);
    return list;
}

}  // namespace

class TestCliEdit : public QObject {
    Q_OBJECT

private slots:
    void setWritesOnlyTheGivenFields_data();
    void setWritesOnlyTheGivenFields();
    void setRefusesBadValuesBeforeTouchingFiles_data();
    void setRefusesBadValuesBeforeTouchingFiles();
    void setGoesOnPastFailingFiles();
    void setOnAFolderAndAnEscapedName();
    void setOnReadOnlyFiles();
    void renamesAsTheWindowProposes_data();
    void renamesAsTheWindowProposes();
    void renameNeverReplacesAFile();
    void renamesByAPattern_data();
    void renamesByAPattern();
    void dryRunChangesNothing();
    void keepTimes_data();
    void keepTimes();
};

void TestCliEdit::setWritesOnlyTheGivenFields_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("after");  // the whole file

    const QByteArray audio = song(5000);
    const QByteArray tagged = audio + trailer("Title", "Artist", "Album", "2001", "Comment", 17);
    QTest::newRow("title over a tag") << tagged << args({"--title", "New"})
                                      << audio + trailer("New", "Artist", "Album", "2001", "Comment", 17);
    QTest::newRow("NUL padding of other fields kept") << audio + nulPadded << args({"--album", "Blue"})
                                                      << audio + nulPadded.left(63) + QByteArray("Blue").leftJustified(30, ' ') +
                                                             nulPadded.mid(93);
    QTest::newRow("untagged: appended, genre 255") << audio << args({"--artist", "A"})
                                                   << audio + trailer({}, "A", {}, {}, {}, 255);
    QTest::newRow("short file counts as untagged") << song(100) << args({"--year", "1984"})
                                                   << song(100) + trailer({}, {}, {}, "1984", {}, 255);
    QTest::newRow("genre by name in any case") << tagged << args({"--genre", "hard rock"})
                                               << audio + trailer("Title", "Artist", "Album", "2001", "Comment", 79);
    QTest::newRow("genre by number") << tagged << args({"--genre=200"})
                                     << audio + trailer("Title", "Artist", "Album", "2001", "Comment", 200);
    QTest::newRow("empty genre is 255") << tagged << args({"--genre", ""})
                                        << audio + trailer("Title", "Artist", "Album", "2001", "Comment", 255);
    QTest::newRow("code page and escapes") << tagged << args({"--comment", "caf\xC3\xA9 \\t\\\\\\x00\\x81", "--title", ""})
                                           << audio + trailer({}, "Artist", "Album", "2001", QByteArray("caf\xE9 \t\\\0\x81", 9), 17);
    QTest::newRow("leading spaces kept") << tagged << args({"--artist", "  Lead"})
                                         << audio + trailer("Title", "  Lead", "Album", "2001", "Comment", 17);
}

void TestCliEdit::setWritesOnlyTheGivenFields()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, after);
    TempFolder folder;
    QVERIFY(writeFile(folder.file("song.mp3"), before));
    const Run run = runCli(QStringList{"set", "song.mp3"} + arguments, folder.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(readFile(folder.file("song.mp3")), after);
}

void TestCliEdit::setRefusesBadValuesBeforeTouchingFiles_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no field") << args({"set", "a.mp3"});
    QTest::newRow("no file") << args({"set", "--title", "X"});
    QTest::newRow("title too long") << args({"set", "a.mp3", "--title", "1234567890123456789012345678901"});
    QTest::newRow("year too long") << args({"set", "a.mp3", "--year", "19999"});
    QTest::newRow("not in the code page") << args({"set", "a.mp3", "--title", "\xCE\xA9"});
    QTest::newRow("bad escape in a value") << args({"set", "a.mp3", "--title", "C:\\music"});
    QTest::newRow("unknown genre") << args({"set", "a.mp3", "--genre", "Polka Rock"});
    QTest::newRow("genre out of range") << args({"set", "a.mp3", "--genre", "256"});
    QTest::newRow("missing value") << args({"set", "a.mp3", "--title"});
    QTest::newRow("bad style") << args({"rename", "a.mp3", "--style", "short"});
    QTest::newRow("rename without files") << args({"rename", "--dry-run"});
    QTest::newRow("pattern and style") << args({"rename", "a.mp3", "--pattern", "%t", "--style", "long"});
    QTest::newRow("pattern with %x") << args({"rename", "a.mp3", "--pattern", "%x - %t"});
    QTest::newRow("pattern with a slash") << args({"rename", "a.mp3", "--pattern", "%a/%t"});
    QTest::newRow("pattern with an unknown code") << args({"rename", "a.mp3", "--pattern", "%q"});
}

void TestCliEdit::setRefusesBadValuesBeforeTouchingFiles()
{
    QFETCH(QStringList, arguments);
    TempFolder folder;
    const QByteArray before = song(300, trailer("Song", "Band"));
    QVERIFY(writeFile(folder.file("a.mp3"), before));
    const Run run = runCli(arguments, folder.path());
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.endsWith("Try 'velmora-cli --help'.\n"));
    QCOMPARE(readFile(folder.file("a.mp3")), before);
    QCOMPARE(namesIn(folder.path()), QList<QByteArray>{"a.mp3"});
}

void TestCliEdit::setGoesOnPastFailingFiles()
{
    TempFolder folder;
    QVERIFY(writeFile(folder.file("good.mp3"), song(300)));
    QVERIFY(writeFile(folder.file("notes.txt"), "notes"));
    QCOMPARE(::mkfifo(folder.file("pipe.mp3").constData(), 0644), 0);
    const Run run = runCli(args({"set", "missing.mp3", "notes.txt", "pipe.mp3", "good.mp3", "--title", "T"}), folder.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(readFile(folder.file("good.mp3")), song(300) + trailer("T", {}, {}, {}, {}, 255));
    QCOMPARE(readFile(folder.file("notes.txt")), QByteArray("notes"));
    QVERIFY(!exists(folder.file("missing.mp3")));  // never created
    const QList<QByteArray> lines = run.err.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith("velmora-cli: notes.txt: not an MP3 file"));  // refused before any work
    QCOMPARE(lines[1], QByteArray("velmora-cli: missing.mp3: ") + std::strerror(ENOENT));
    QVERIFY(lines[2].startsWith("velmora-cli: pipe.mp3: "));
}

void TestCliEdit::setOnAFolderAndAnEscapedName()
{
    TempFolder folder;
    QCOMPARE(::mkdir(folder.file("album").constData(), 0755), 0);
    const QByteArray oneTagged = song(400, trailer("One", "Band", "Old"));
    QVERIFY(writeFile(folder.file("album/one.mp3"), oneTagged));
    QVERIFY(writeFile(folder.file("album/TWO.MP3"), song(400)));
    QVERIFY(writeFile(folder.file("album/.hidden.mp3"), song(400)));
    QVERIFY(writeFile(folder.file("album/caf\xE9.mp3"), song(400)));
    const Run run = runCli(args({"set", "album", "--album", "New"}), folder.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(readFile(folder.file("album/one.mp3")), song(400, trailer("One", "Band", "New")));
    QCOMPARE(readFile(folder.file("album/TWO.MP3")), song(400, trailer({}, {}, "New", {}, {}, 255)));
    QCOMPARE(readFile(folder.file("album/caf\xE9.mp3")), song(400, trailer({}, {}, "New", {}, {}, 255)));
    QCOMPARE(readFile(folder.file("album/.hidden.mp3")), song(400));

    // The name as list prints it, given back.
    const Run escaped = runCli(args({"set", "album/caf\\xE9.mp3", "--title", "Caf\\xE9"}), folder.path());
    QCOMPARE(escaped.exitCode, 0);
    QCOMPARE(readFile(folder.file("album/caf\xE9.mp3")), song(400, trailer("Caf\xE9", {}, "New", {}, {}, 255)));
}

void TestCliEdit::setOnReadOnlyFiles()
{
    TempFolder folder;
    QVERIFY(writeFile(folder.file("mine.mp3"), song(300)));
    QCOMPARE(::chmod(folder.file("mine.mp3").constData(), 0444), 0);
    QCOMPARE(runCli(args({"set", "mine.mp3", "--title", "T"}), folder.path()).exitCode, 0);
    QCOMPARE(readFile(folder.file("mine.mp3")), song(300, trailer("T", {}, {}, {}, {}, 255)));
    QVERIFY(isOwnerWritable(folder.file("mine.mp3")));  // as Save Tags leaves it

    if (::geteuid() != 0)
        QSKIP("a file of another user needs root to set up");
    if (!runsAs(Nobody))
        QSKIP("the user nobody cannot run velmora-cli here: a folder on its path is closed to other users");
    // An ordinary user may not make another user's read-only file writable.
    QVERIFY(writeFile(folder.file("theirs.mp3"), song(300)));
    QCOMPARE(::chmod(folder.file("theirs.mp3").constData(), 0444), 0);
    QVERIFY(writeFile(folder.file("own.mp3"), song(300)));
    QCOMPARE(::chown(folder.file("own.mp3").constData(), Nobody, Nobody), 0);
    TempFolder state;  // that user's own journal of saves
    QCOMPARE(::chown(state.path().constData(), Nobody, Nobody), 0);
    const QByteArray ownState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", state.path());
    const Run run = runCli(args({"set", "theirs.mp3", "own.mp3", "--title", "T"}), folder.path(), Nobody);
    qputenv("XDG_STATE_HOME", ownState);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QByteArray("velmora-cli: theirs.mp3: ") + std::strerror(EPERM) + '\n');
    QCOMPARE(readFile(folder.file("theirs.mp3")), song(300));
    QCOMPARE(readFile(folder.file("own.mp3")), song(300, trailer("T", {}, {}, {}, {}, 255)));
}

void TestCliEdit::renamesAsTheWindowProposes_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<QByteArray>>("names");  // sorted by bytes
    const QList<QByteArray> untouched{"empty-artist.mp3", "untagged.mp3"};
    QTest::newRow("long") << QStringList{} << untouched + QList<QByteArray>{"Band-Old.MP3", "Red Kettle-Morning Walk.MP3", "caf\xC3\xA9-Lead.MP3"};
    QTest::newRow("8.3") << QStringList{"--style", "8.3"} << untouched + QList<QByteArray>{"BANDOLDJ.MP3", "CAFLEAD.MP3", "REDKMORN.MP3"};
}

void TestCliEdit::renamesAsTheWindowProposes()
{
    QFETCH(QStringList, options);
    QFETCH(QList<QByteArray>, names);
    TempFolder folder;
    const QByteArray kettle = song(700, trailer("  Morning Walk ", " Red Kettle", "Album", {}, {}, 17));
    QVERIFY(writeFile(folder.file("track1.mp3"), kettle));
    QVERIFY(writeFile(folder.file("nul-padded.mp3"), song(300, nulPadded)));
    QVERIFY(writeFile(folder.file("latin \xE9.mp3"), song(300, trailer("Lead", "caf\xE9"))));
    QVERIFY(writeFile(folder.file("untagged.mp3"), song(300)));
    QVERIFY(writeFile(folder.file("empty-artist.mp3"), song(300, trailer("Song", {}))));
    const Run run = runCli(QStringList{"rename", "."} + options, folder.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QList<QByteArray> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(namesIn(folder.path()), sorted);
    const QByteArray newKettle = options.isEmpty() ? "Red Kettle-Morning Walk.MP3" : "REDKMORN.MP3";
    QCOMPARE(readFile(folder.file(newKettle)), kettle);  // the bytes travel unchanged
    QVERIFY(run.out.contains("./track1.mp3 -> ./" + newKettle + '\n'));
    QVERIFY(run.out.contains("./latin \\xE9.mp3 -> ./"));
}

void TestCliEdit::renameNeverReplacesAFile()
{
    TempFolder folder;
    const QByteArray first = song(300, trailer("Song", "Band", "first"));
    const QByteArray second = song(300, trailer("Song", "Band", "second"));
    QVERIFY(writeFile(folder.file("a.mp3"), first));
    QVERIFY(writeFile(folder.file("b.mp3"), second));
    QVERIFY(writeFile(folder.file("c.mp3"), song(300, trailer("Taken", "Other"))));
    QVERIFY(writeFile(folder.file("Other-Taken.MP3"), "keep me"));
    QVERIFY(writeFile(folder.file("d.mp3"), song(300, trailer("Song", "AC/DC"))));
    const Run run = runCli(args({"rename", "a.mp3", "b.mp3", "c.mp3", "d.mp3"}), folder.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray("a.mp3 -> Band-Song.MP3\n"));
    const QList<QByteArray> errors = run.err.trimmed().split('\n');
    QCOMPARE(errors.size(), 3);
    QCOMPARE(errors[0], QByteArray("velmora-cli: b.mp3: not renamed to \"Band-Song.MP3\": ") + std::strerror(EEXIST));
    QCOMPARE(errors[1], QByteArray("velmora-cli: c.mp3: not renamed to \"Other-Taken.MP3\": ") + std::strerror(EEXIST));
    QVERIFY(errors[2].startsWith("velmora-cli: d.mp3: ") && errors[2].contains("\"/\""));
    QCOMPARE(readFile(folder.file("Band-Song.MP3")), first);
    QCOMPARE(readFile(folder.file("b.mp3")), second);
    QCOMPARE(readFile(folder.file("Other-Taken.MP3")), QByteArray("keep me"));
    QCOMPARE(namesIn(folder.path()), (QList<QByteArray>{"Band-Song.MP3", "Other-Taken.MP3", "b.mp3", "c.mp3", "d.mp3"}));
}

void TestCliEdit::renamesByAPattern_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<QByteArray>>("names");     // the folder's files, in the list's order
    QTest::addColumn<QList<QByteArray>>("trailers");  // theirs; empty: untagged
    QTest::addColumn<QList<QByteArray>>("after");     // sorted by bytes
    QTest::addColumn<QByteArray>("refused");          // on standard error; empty: nothing

    const QStringList numbered{"--pattern", "%n - %t"};
    QTest::newRow("two digits, the extension kept")
        << numbered << QList<QByteArray>{"a.MP3", "b.mp3"}
        << QList<QByteArray>{trailer("Up", {}, {}, {}, track(7)), trailer("Down", {}, {}, {}, track(12))}
        << QList<QByteArray>{"07 - Up.MP3", "12 - Down.mp3"} << QByteArray();
    QTest::newRow("three digits past 99")
        << numbered << QList<QByteArray>{"a.mp3", "b.mp3"}
        << QList<QByteArray>{trailer("Up", {}, {}, {}, track(7)), trailer("Down", {}, {}, {}, track(120))}
        << QList<QByteArray>{"007 - Up.mp3", "120 - Down.mp3"} << QByteArray();
    QTest::newRow("a slash in a title")
        << numbered << QList<QByteArray>{"a.mp3", "b.mp3"}
        << QList<QByteArray>{trailer("AC/DC Live", {}, {}, {}, track(1)), trailer("Fine", {}, {}, {}, track(2))}
        << QList<QByteArray>{"02 - Fine.mp3", "a.mp3"} << QByteArray("a file name cannot contain \"/\"");
    QTest::newRow("a clash")
        << numbered << QList<QByteArray>{"a.mp3", "b.mp3", "c.mp3"}
        << QList<QByteArray>{trailer("Up", {}, {}, {}, track(1)), trailer("Up", {}, {}, {}, track(1)),
                             trailer("Down", {}, {}, {}, track(2))}
        << QList<QByteArray>{"01 - Up.mp3", "02 - Down.mp3", "b.mp3"}
        << QByteArray("b.mp3: not renamed to \"01 - Up.mp3\": ") + std::strerror(EEXIST);
    QTest::newRow("a leading dot")
        << QStringList{"--pattern", "%t"} << QList<QByteArray>{"a.mp3", "b.mp3"}
        << QList<QByteArray>{trailer("...And More"), trailer("Fine")}
        << QList<QByteArray>{"Fine.mp3", "a.mp3"} << QByteArray("would hide the file");
    QTest::newRow("no track number, no tag")
        << numbered << QList<QByteArray>{"a.mp3", "b.mp3", "c.mp3"}
        << QList<QByteArray>{trailer("Up"), QByteArray(), trailer("Down", {}, {}, {}, track(2))}
        << QList<QByteArray>{"02 - Down.mp3", "a.mp3", "b.mp3"} << QByteArray("a.mp3: no name: the track number is empty");
    QTest::newRow("every code, genre by name")
        << QStringList{"--pattern", "%a - %l (%y) %c [%g] %n %t 100%%"} << QList<QByteArray>{"a.mp3"}
        << QList<QByteArray>{trailer("Up", "Band", "Blue Album", "1994", QByteArray("Live") + track(3).mid(4), 17)}
        << QList<QByteArray>{"Band - Blue Album (1994) Live [Rock] 03 Up 100%.mp3"} << QByteArray();
    // Thirty Cyrillic letters take sixty bytes in UTF-8: four fields and the year pass 255.
    const QByteArray cyrillic(30, '\xC0');
    QTest::newRow("longer than 255 bytes")
        << QStringList{"--pattern", "%t - %a - %l - %c - %y", "--codepage", "1251"} << QList<QByteArray>{"a.mp3"}
        << QList<QByteArray>{trailer(cyrillic, cyrillic, cyrillic, "1994", cyrillic)} << QList<QByteArray>{"a.mp3"}
        << QByteArray("takes 260 bytes, and a file name holds 255 at most");
}

// rename --pattern: names as the tags give them, the dry run predicting the run, no file replaced.
void TestCliEdit::renamesByAPattern()
{
    QFETCH(QStringList, options);
    QFETCH(QList<QByteArray>, names);
    QFETCH(QList<QByteArray>, trailers);
    QFETCH(QList<QByteArray>, after);
    QFETCH(QByteArray, refused);
    TempFolder folder;
    QList<QByteArray> was;  // each file's bytes, which a rename moves unchanged
    for (int i = 0; i < names.size(); ++i) {
        was << song(300 + i, trailers[i]);
        QVERIFY(writeFile(folder.file(names[i]), was.last()));
    }
    const QList<QByteArray> before = namesIn(folder.path());
    const Run dry = runCli(QStringList{"rename", "--dry-run", "."} + options, folder.path());
    QCOMPARE(namesIn(folder.path()), before);
    const Run run = runCli(QStringList{"rename", "."} + options, folder.path());
    QCOMPARE(run.out, dry.out);
    QCOMPARE(run.err, dry.err);
    QCOMPARE(run.exitCode, refused.isEmpty() ? 0 : 1);
    if (refused.isEmpty())
        QCOMPARE(run.err, QByteArray());
    else
        QVERIFY2(run.err.contains(refused), run.err.constData());
    QCOMPARE(namesIn(folder.path()), after);
    // Every file keeps its bytes, whatever its name now: the same contents, only moved.
    QList<QByteArray> now;
    for (const QByteArray &name : after)
        now << readFile(folder.file(name));
    std::sort(now.begin(), now.end());
    std::sort(was.begin(), was.end());
    QCOMPARE(now, was);
}

// A dry run predicts what the real run does, and changes nothing.
void TestCliEdit::dryRunChangesNothing()
{
    TempFolder folder;
    QVERIFY(writeFile(folder.file("A-Z.MP3"), song(300, trailer("Y", "A"))));  // listed first, frees its name
    QVERIFY(writeFile(folder.file("a.mp3"), song(300, trailer("Song", "Band"))));
    QVERIFY(writeFile(folder.file("b.mp3"), song(300, trailer("Song", "Band"))));
    QVERIFY(writeFile(folder.file("c.mp3"), song(300, trailer("Z", "A"))));
    const QList<QByteArray> before = namesIn(folder.path());
    const Run dry = runCli(args({"rename", "--dry-run", "."}), folder.path());
    QCOMPARE(dry.exitCode, 1);
    QCOMPARE(dry.out, QByteArray("./A-Z.MP3 -> ./A-Y.MP3\n./a.mp3 -> ./Band-Song.MP3\n./c.mp3 -> ./A-Z.MP3\n"));
    QCOMPARE(dry.err, QByteArray("velmora-cli: ./b.mp3: not renamed to \"Band-Song.MP3\": ") + std::strerror(EEXIST) + '\n');
    const Run json = runCli(args({"rename", "--dry-run", "--json", "."}), folder.path());
    QCOMPARE(json.err, dry.err);
    const QJsonArray rows = QJsonDocument::fromJson(json.out).array();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[2]["state"].toString(), QStringLiteral("skipped"));
    QCOMPARE(rows[3]["fields"]["name"]["old"].toString(), QStringLiteral("c.mp3"));
    QCOMPARE(rows[3]["fields"]["name"]["new"].toString(), QStringLiteral("A-Z.MP3"));
    QCOMPARE(namesIn(folder.path()), before);

    const Run real = runCli(args({"rename", "."}), folder.path());
    QCOMPARE(real.exitCode, dry.exitCode);
    QCOMPARE(real.out, dry.out);
    QCOMPARE(real.err, dry.err);
    QCOMPARE(namesIn(folder.path()), (QList<QByteArray>{"A-Y.MP3", "A-Z.MP3", "Band-Song.MP3", "b.mp3"}));
}

void TestCliEdit::keepTimes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("written");  // the file's name afterwards
    QTest::addColumn<bool>("kept");
    QTest::newRow("set") << QStringList{"set", "a.mp3", "--title", "New", "--keep-times"} << QByteArray("a.mp3") << true;
    QTest::newRow("set without") << QStringList{"set", "a.mp3", "--title", "New"} << QByteArray("a.mp3") << false;
    QTest::newRow("rename") << QStringList{"rename", "--keep-times", "a.mp3"} << QByteArray("Band-Old.MP3") << true;
}

void TestCliEdit::keepTimes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, written);
    QFETCH(bool, kept);
    TempFolder folder;
    QVERIFY(writeFile(folder.file("a.mp3"), song(300, trailer("Old", "Band"))));
    QVERIFY(setTimes(folder.file("a.mp3"), oldTimes));
    const Run run = runCli(arguments, folder.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QVERIFY(exists(folder.file(written)));
    const TestFiles::FileTimes after = timesOf(folder.file(written));
    // The access time is the command's own read of the tag; the modification time is the user's.
    QCOMPARE(after.modifiedNs == oldTimes.modifiedNs, kept);
    if (!kept)
        QVERIFY(after.modifiedNs > oldTimes.modifiedNs);
}

QTEST_GUILESS_MAIN(TestCliEdit)
#include "tst_cli_edit.moc"
