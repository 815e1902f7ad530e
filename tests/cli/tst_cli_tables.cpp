// velmora-cli export and import on a real tree: the list taken out and given back untouched writes
// nothing in every format; a list edited as a spreadsheet edits it writes exactly the edited
// fields, as one batch; rows that cannot be used are said by their line and skip only themselves.

#include "CliTestHelpers.h"

#include <QTest>

#include <optional>

#include <sys/stat.h>

using namespace CliTest;

namespace {

// Names and values that a list must quote or escape: commas, quotes, a line break, non-ASCII text.
const QByteArray quotedName = "a, \"b\".mp3";
const QByteArray subfolder = "Caf\xC3\xA9 Noir";  // UTF-8 on disk
const QByteArray brokenName = "new\nline.mp3";
const QList<QByteArray> files = {quotedName, brokenName, "plain.mp3", subfolder + "/\xC3\xBC.mp3"};

QByteArray trackTrailer(const QByteArray &title, const QByteArray &comment, int track, quint8 genre)
{
    QByteArray bytes = trailer(title, "Art", "Alb", "2001", comment, genre, '\0');
    bytes[125] = 0;
    bytes[126] = char(track);
    return bytes;
}

}  // namespace

class TestCliTables : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void untouchedListWritesNothing_data();
    void untouchedListWritesNothing();
    void editedListWritesTheEditedFields();
    void badRowsSkipOnlyThemselves();

private:
    QByteArray path(const QByteArray &file) const { return m_folder->path() + "/music/" + file; }
    QByteArray contents() const;
    Run exportList(const QStringList &options) const;

    std::optional<TempFolder> m_folder, m_state;
};

void TestCliTables::init()
{
    m_folder.emplace();
    m_state.emplace();
    qputenv("XDG_STATE_HOME", m_state->path());
    QVERIFY(::mkdir(m_folder->file("music").constData(), 0755) == 0);
    QVERIFY(::mkdir(path(subfolder).constData(), 0755) == 0);
    // In 1252: "Café, "Le"", a comment over two lines, track 2, Rock.
    QVERIFY(writeFile(path(quotedName), song(2000, trackTrailer("Caf\xE9, \"Le\"", "line1\nline2", 2, 17))));
    QVERIFY(writeFile(path(brokenName), song(2100, trailer("Second", "Art", "Alb", "2001", "", 200))));
    QVERIFY(writeFile(path("plain.mp3"), song(2200)));
    QVERIFY(writeFile(path(files.last()), song(2300, trailer("\xFC", "x\\y", "", "", "", 255))));
}

void TestCliTables::cleanup()
{
    qunsetenv("XDG_STATE_HOME");
    m_folder.reset();
    m_state.reset();
}

QByteArray TestCliTables::contents() const
{
    QByteArray all;
    for (const QByteArray &file : files)
        all += file + ':' + readFile(path(file)) + '\n';
    return all;
}

Run TestCliTables::exportList(const QStringList &options) const
{
    return runCli(QStringList{"export", "music", "-r", "--codepage", "1252"} + options, m_folder->path());
}

void TestCliTables::untouchedListWritesNothing_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("csv") << QStringList();
    QTest::newRow("csv with a byte-order mark") << QStringList{"--bom"};
    QTest::newRow("tsv") << QStringList{"--format", "tsv"};
    QTest::newRow("json") << QStringList{"--format", "json"};
}

void TestCliTables::untouchedListWritesNothing()
{
    QFETCH(QStringList, options);
    const QByteArray before = contents();
    const Run exported = exportList(options);
    QVERIFY2(exported.exitCode == 0, exported.err);
    QCOMPARE(exported.out.startsWith("\xEF\xBB\xBF"), options.contains("--bom"));
    QVERIFY(writeFile(m_folder->file("list"), exported.out));

    const Run imported = runCli({"import", "list", "music", "--codepage", "1252"}, m_folder->path());
    QVERIFY2(imported.exitCode == 0, imported.err);
    QVERIFY2(imported.err.contains("import: 0 written, 4 unchanged, 0 skipped"), imported.err);
    QCOMPARE(contents(), before);
    QCOMPARE(runCli({"history"}, m_folder->path()).out.count('\n'), 1);  // the header alone
}

void TestCliTables::editedListWritesTheEditedFields()
{
    const Run exported = exportList({});
    QCOMPARE(exported.exitCode, 0);
    // As a spreadsheet writes it: every cell quoted, LF line ends; the rows as exported.
    const QList<QByteArray> expectedRows = {
        "file,title,artist,album,year,comment,track,genre",
        "\"a, \"\"b\"\".mp3\",\"Caf\xC3\xA9, \"\"Le\"\"\",Art,Alb,2001,\"line1\nline2\",2,Rock",
        "new\\nline.mp3,Second,Art,Alb,2001,,,200",
        "plain.mp3,,,,,,,",
        subfolder + "/\xC3\xBC.mp3,\xC3\xBC,x\\y,,,,,"};
    QCOMPARE(exported.out, expectedRows.join("\r\n") + "\r\n");

    const QByteArray before = contents();
    QByteArray edited = "\"file\",\"title\",\"artist\",\"album\",\"year\",\"comment\",\"track\",\"genre\"\n"
                        "\"a, \"\"b\"\".mp3\",\"Caf\xC3\xA9, \"\"Le\"\"\",\"Art\",\"Alb\",\"2001\",\"line1\nline2\",\"2\",\"Rock\"\n"
                        "\"new\\nline.mp3\",\"Zweite, \"\"\xC3\xBC\"\"\",\"Art\",\"Alb\",\"2001\",\"\",\"\",\"200\"\n"
                        "\"plain.mp3\",\"\",\"\",\"\",\"\",\"\",\"7\",\"jazz\"\n";
    QVERIFY(writeFile(m_folder->file("edited.csv"), edited));
    const Run imported = runCli({"import", "edited.csv", "music", "--codepage", "1252"}, m_folder->path());
    QVERIFY2(imported.exitCode == 0, imported.err);
    QVERIFY2(imported.err.contains("import: 2 written, 1 unchanged, 0 skipped"), imported.err);

    QCOMPARE(readFile(path(quotedName)), before.mid(before.indexOf(':') + 1, 2128));
    QCOMPARE(readFile(path(brokenName)).mid(2100), trailer("Zweite, \"\xFC\"", "Art", "Alb", "2001", "", 200));
    QByteArray numbered = trailer("", "", "", "", "", 8);
    numbered[125] = 0;
    numbered[126] = 7;
    QCOMPARE(readFile(path("plain.mp3")).mid(2200), numbered);  // an untagged file gains a trailer
    QCOMPARE(readFile(path(files.last())), song(2300, trailer("\xFC", "x\\y", "", "", "", 255)));

    const Run undo = runCli({"undo", "--batch"}, m_folder->path());
    QVERIFY2(undo.exitCode == 0, undo.err);
    QCOMPARE(contents(), before);
}

void TestCliTables::badRowsSkipOnlyThemselves()
{
    const QByteArray list = "file,title,mood,track\n"                        // 1: an unknown column
                            "missing.mp3,x,,\n"                               // 2
                            "plain.mp3,\"a title that is far too long for its field\",,\n"  // 3
                            "\"a, \"\"b\"\".mp3\",\"two\nlines\",,\n"         // 4-5: a line break typed in
                            "../outside.mp3,x,,\n"                            // 6
                            "new\\nline.mp3,,,300\n"                          // 7: no such track
                            "\xC3\xA9.txt,x,,\n"                             // 8
                            "plain.mp3,,sad,\n"                               // 9: a row for it again
                            "Caf\xC3\xA9 Noir/\xC3\xBC.mp3,Fine,,\n";         // 10: the one good row
    QVERIFY(writeFile(m_folder->file("bad.csv"), list));
    const QByteArray before = contents();
    const Run dry = runCli({"import", "bad.csv", "music", "--dry-run", "--codepage", "1252"}, m_folder->path());
    QCOMPARE(dry.exitCode, 1);
    QCOMPARE(contents(), before);
    const Run run = runCli({"import", "bad.csv", "music", "--codepage", "1252"}, m_folder->path());
    QCOMPARE(run.exitCode, 1);
    for (const QByteArray &said : {QByteArray("bad.csv:1: unknown column \"mood\""),
                                   QByteArray("bad.csv:2: music/missing.mp3: No such file"),
                                   QByteArray("bad.csv:3: music/plain.mp3: skipped: title: would be cut"),
                                   QByteArray("bad.csv:4: music/a, \"b\".mp3: skipped: title: holds a control character"),
                                   QByteArray("bad.csv:6: skipped: the path is not a plain path"),
                                   QByteArray("bad.csv:7: music/new\\nline.mp3: skipped: track: \"300\""),
                                   QByteArray("bad.csv:8: skipped: not an MP3 file"),
                                   QByteArray("bad.csv:9: skipped: \"plain.mp3\" has a row already")})
        QVERIFY2(run.err.contains(said), said + "\nnot in:\n" + run.err);
    QVERIFY2(run.err.contains("import: 1 written, 0 unchanged, 4 skipped"), run.err);
    QCOMPARE(readFile(path(files.last())).mid(2300, 9), QByteArray("TAGFine  "));
}

QTEST_GUILESS_MAIN(TestCliTables)
#include "tst_cli_tables.moc"
