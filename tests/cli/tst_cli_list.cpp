// velmora-cli list, --help, --version and bad usage, running the real program on real files.

#include "CliTestHelpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace CliTest;

namespace {

struct Row {
    QByteArray file, title, artist, album, year, comment, genre, number;  // number empty: untagged
};

// One folder with a file of each kind, and how both forms must show it.
const QList<Row> &expectedRows()
{
    static const QList<Row> rows = {
        {"A.MP3", "", "", "", "", "", "", ""},
        {"b.mp3", "Song\\tOne", "Art\\\\ist", "Alb", "1999", "c\xC3\xA9 \\x81", "Rock", "17"},
        {"c.mp3", "Nul", "Pad", "", "", "", "", "200"},
        {"caf\\xE9.mp3", "Caf\xC3\xA9", "  Lead", "", "", "", "Blues", "0"},
        {"line\\nbreak.mp3", "", "", "", "", "", "", ""},
        {"say \"hi\" \\\\.mp3", "", "", "", "", "", "", ""},
        {"short.mp3", "", "", "", "", "", "", ""},
    };
    return rows;
}

void makeAlbum(const TempFolder &folder)
{
    QVERIFY(writeFile(folder.file("A.MP3"), song(500)));
    QVERIFY(writeFile(folder.file("b.mp3"), song(1000, trailer("Song\tOne", "Art\\ist", "Alb", "1999", "c\xE9 \x81", 17))));
    QVERIFY(writeFile(folder.file("c.mp3"), song(300, trailer(QByteArray("Nul\0rest", 8), "Pad", {}, {}, {}, 200, '\0'))));
    QVERIFY(writeFile(folder.file("caf\xE9.mp3"), song(200, trailer("Caf\xE9", "  Lead"))));
    QVERIFY(writeFile(folder.file("line\nbreak.mp3"), song(200)));
    QVERIFY(writeFile(folder.file("say \"hi\" \\.mp3"), song(200)));
    QVERIFY(writeFile(folder.file("short.mp3"), trailer("Cut", "Short").left(127)));
    // Not listed: hidden, another extension, a folder named like a song.
    QVERIFY(writeFile(folder.file(".hidden.mp3"), song(200, trailer("Hidden", "X"))));
    QVERIFY(writeFile(folder.file("notes.txt"), "notes"));
    QCOMPARE(::mkdir(folder.file("dir.mp3").constData(), 0755), 0);
}

}  // namespace

class TestCliList : public QObject {
    Q_OBJECT

private slots:
    void listsTextAndJsonAlike();
    void emptyFolder();
    void missingFolderFails();
    void helpAndVersion();
    void badUsage_data();
    void badUsage();
    void progressOnTerminalAboveThousandFiles();
};

void TestCliList::listsTextAndJsonAlike()
{
    TempFolder folder;
    makeAlbum(folder);

    const Run text = runCli({QStringLiteral("list")}, folder.path());
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.err, QByteArray());
    QList<QByteArray> lines = text.out.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QCOMPARE(lines.takeFirst(), QByteArray("file\ttitle\tartist\talbum\tyear\tcomment\tgenre\tgenre_number\tv2\ttrack"));
    QCOMPARE(lines.size(), expectedRows().size());
    for (int i = 0; i < lines.size(); ++i) {
        const Row &r = expectedRows().at(i);
        // None of these files has an ID3v2 tag or a track number.
        const QList<QByteArray> cells{r.file, r.title, r.artist, r.album, r.year, r.comment, r.genre, r.number, "", ""};
        QCOMPARE(lines.at(i), cells.join('\t'));
    }

    const Run json = runCli({QStringLiteral("list"), QStringLiteral("--json"), QString::fromUtf8(folder.path())}, "/");
    QCOMPARE(json.exitCode, 0);
    QJsonParseError error;
    const QJsonArray array = QJsonDocument::fromJson(json.out, &error).array();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(array.size(), expectedRows().size());
    for (int i = 0; i < array.size(); ++i) {
        const Row &r = expectedRows().at(i);
        const QJsonObject o = array.at(i).toObject();
        QCOMPARE(o.size(), 10);
        QVERIFY(o.value(QLatin1String("track")).isNull() && o.value(QLatin1String("id3v2")).isNull());
        const QList<QPair<const char *, QByteArray>> texts{{"file", r.file},       {"title", r.title}, {"artist", r.artist},
                                                             {"album", r.album},     {"year", r.year},   {"comment", r.comment},
                                                             {"genre", r.genre}};
        for (const auto &[key, value] : texts)
            QCOMPARE(o.value(QLatin1String(key)).toString(), QString::fromUtf8(value));
        if (r.number.isEmpty())
            QVERIFY(o.value(QLatin1String("genre_number")).isNull());
        else
            QCOMPARE(o.value(QLatin1String("genre_number")).toInt(-1), r.number.toInt());
    }
}

void TestCliList::emptyFolder()
{
    TempFolder folder;
    QCOMPARE(runCli({QStringLiteral("list")}, folder.path()).out,
             QByteArray("file\ttitle\tartist\talbum\tyear\tcomment\tgenre\tgenre_number\tv2\ttrack\n"));
    const Run json = runCli({QStringLiteral("list"), QStringLiteral("--json")}, folder.path());
    QCOMPARE(json.exitCode, 0);
    QCOMPARE(json.out, QByteArray("[\n]\n"));
}

void TestCliList::missingFolderFails()
{
    TempFolder folder;
    const Run run = runCli({QStringLiteral("list"), QStringLiteral("nowhere")}, folder.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QByteArray("velmora-cli: nowhere: ") + std::strerror(ENOENT) + '\n');
}

void TestCliList::helpAndVersion()
{
    const Run help = runCli({QStringLiteral("rename"), QStringLiteral("--help")}, "/");
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("Usage: velmora-cli COMMAND"));
    QVERIFY(help.out.contains("\\xNN"));
    const Run version = runCli({QStringLiteral("--version")}, "/");
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("velmora-cli 1.0\n"));
}

void TestCliList::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"frob"};
    QTest::newRow("two folders") << QStringList{"list", ".", "."};
    QTest::newRow("unknown option") << QStringList{"list", "--bogus"};
    QTest::newRow("flag with a value") << QStringList{"list", "--json=yes"};
    QTest::newRow("option twice") << QStringList{"list", "--json", "--json"};
    QTest::newRow("bad escape") << QStringList{"list", "a\\q"};
    QTest::newRow("escape cut short") << QStringList{"list", "a\\x4"};
}

void TestCliList::badUsage()
{
    QFETCH(QStringList, arguments);
    const Run run = runCli(arguments, "/");
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.startsWith("velmora-cli: ") && run.err.endsWith("Try 'velmora-cli --help'.\n"), run.err);
}

// The progress line is for people watching a terminal: none into a pipe, none for 1,000 files.
void TestCliList::progressOnTerminalAboveThousandFiles()
{
    TempFolder folder;
    for (int i = 0; i < 1000; ++i)
        QVERIFY(writeFile(folder.file("t" + QByteArray::number(i) + ".mp3"), {}));
    auto stderrOnTerminal = [&]() {
        int master = -1, slave = -1;
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            return QByteArray("<no pty>");
        QProcess process;
        process.setWorkingDirectory(QString::fromUtf8(folder.path()));
        process.setChildProcessModifier([slave] { ::dup2(slave, STDERR_FILENO); });
        process.start(QStringLiteral(VELMORA_CLI), {QStringLiteral("list")});
        process.waitForFinished(60000);
        ::close(slave);
        QByteArray seen;
        char block[4096];
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        ssize_t n;
        while ((n = ::read(master, block, sizeof block)) > 0)
            seen.append(block, n);
        ::close(master);
        return seen;
    };
    QCOMPARE(stderrOnTerminal(), QByteArray());
    QVERIFY(writeFile(folder.file("t1000.mp3"), {}));
    const QByteArray shown = stderrOnTerminal();
    QVERIFY2(shown.startsWith("\rlist 1/1001\033[K") && shown.endsWith("\r\033[K"), shown.toPercentEncoding());
    QCOMPARE(runCli({QStringLiteral("list")}, folder.path()).err, QByteArray());
}

QTEST_GUILESS_MAIN(TestCliList)
#include "tst_cli_list.moc"
