// velmora-cli over a folder of album folders (--recursive): every album folder found, a hidden
// folder and a link to a folder passed over, numbers and list lines counted within each album, one
// undo of the whole run, and Ctrl+C (a real SIGINT) stopping a run with what it wrote undoable.

#include "CliTestHelpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace CliTest;

namespace {

// The tree's files, in the order a recursive run meets them, then those it must never touch.
const QList<QByteArray> albumFiles = {"Alpha/1 one.mp3", "Alpha/2 two.mp3", "beta/a.mp3", "beta/b.mp3",
                                      "beta/Disc 2/c.mp3"};
const QList<QByteArray> passedFiles = {".hidden/h.mp3", "linked/o.mp3"};

}  // namespace

class TestCliTree : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsEveryAlbum_data();
    void listsEveryAlbum();
    void writesWithinAlbumsAndUndoesWhole_data();
    void writesWithinAlbumsAndUndoesWhole();
    void interruptStopsAfterTheFileInHand_data();
    void interruptStopsAfterTheFileInHand();
    void shortOptionAndPlainFolderAsBefore();

private:
    QByteArray tree() const { return m_root->path() + "/tree"; }
    QByteArray contents() const;  // every file's bytes, those passed over included
    int trackOf(const QByteArray &relative) const;

    std::optional<TempFolder> m_root, m_state;
};

void TestCliTree::init()
{
    m_root.emplace();
    m_state.emplace();
    qputenv("XDG_STATE_HOME", m_state->path());
    for (const char *folder : {"tree", "tree/Alpha", "tree/beta", "tree/beta/Disc 2", "tree/.hidden", "outside"})
        QVERIFY(::mkdir(m_root->file(folder).constData(), 0755) == 0);
    int size = 2000;
    for (const QByteArray &file : albumFiles + QList<QByteArray>{".hidden/h.mp3"})
        QVERIFY(writeFile(tree() + '/' + file, song(size += 100, trailer("t", "a", "old album", "1999", "c", 17))));
    QVERIFY(writeFile(m_root->file("outside/o.mp3"), song(1500, trailer("outside"))));
    QVERIFY(::symlink("../outside", (tree() + "/linked").constData()) == 0);
}

void TestCliTree::cleanup()
{
    qunsetenv("XDG_STATE_HOME");
    qunsetenv("VELMORA_TEST_INTERRUPT_AFTER");
    m_root.reset();
    m_state.reset();
}

QByteArray TestCliTree::contents() const
{
    QByteArray all;
    for (const QByteArray &file : albumFiles + passedFiles)
        all += file + ':' + readFile(tree() + '/' + file) + '\n';
    return all;
}

int TestCliTree::trackOf(const QByteArray &relative) const
{
    const QByteArray bytes = readFile(tree() + '/' + relative);
    return bytes.at(bytes.size() - 3) == 0 ? quint8(bytes.at(bytes.size() - 2)) : 0;
}

void TestCliTree::listsEveryAlbum_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("text") << false;
    QTest::newRow("json") << true;
}

void TestCliTree::listsEveryAlbum()
{
    QFETCH(bool, json);
    const Run run = runCli(json ? QStringList{"list", "-r", "--json", "tree"} : QStringList{"list", "--recursive", "tree"},
                           m_root->path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains("tree: passed over 1 hidden folder and 1 link to a folder"), run.err);
    QList<QByteArray> listed;
    if (json) {
        for (const QJsonValue &row : QJsonDocument::fromJson(run.out).array())
            listed += row.toObject().value("file").toString().toUtf8();
    } else {
        const QList<QByteArray> lines = run.out.split('\n');
        for (const QByteArray &line : lines.mid(1, lines.size() - 2))
            listed += line.left(line.indexOf('\t'));
    }
    QCOMPARE(listed, albumFiles);
}

void TestCliTree::writesWithinAlbumsAndUndoesWhole_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QList<int>>("tracks");  // each album file's track number afterwards
    QTest::addColumn<QByteArray>("album");   // every album file's album afterwards

    QTest::newRow("number") << QStringList{"number", "-r", "tree"} << QList<int>{1, 2, 1, 2, 1} << QByteArray("old album");
    QTest::newRow("number --start") << QStringList{"number", "--start", "5", "--recursive", "tree"}
                                    << QList<int>{5, 6, 5, 6, 5} << QByteArray("old album");
    QTest::newRow("set") << QStringList{"set", "-r", "--album", "Tree", "tree"} << QList<int>{0, 0, 0, 0, 0}
                         << QByteArray("Tree");
    QTest::newRow("from-list, a list for each album") << QStringList{"from-list", "sleeve.txt", "-r", "tree"}
                                                      << QList<int>{0, 0, 0, 0, 0} << QByteArray("old album");
}

void TestCliTree::writesWithinAlbumsAndUndoesWhole()
{
    QFETCH(QStringList, arguments);
    QFETCH(QList<int>, tracks);
    QFETCH(QByteArray, album);
    QVERIFY(writeFile(m_root->file("sleeve.txt"), "First\nSecond\n"));
    const QByteArray before = contents();

    const Run run = runCli(arguments, m_root->path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains("passed over 1 hidden folder and 1 link to a folder"), run.err);
    for (qsizetype i = 0; i < albumFiles.size(); ++i) {
        const QByteArray bytes = readFile(tree() + '/' + albumFiles[i]);
        QCOMPARE(trackOf(albumFiles[i]), tracks[i]);
        QCOMPARE(bytes.mid(bytes.size() - 128 + 63, album.size()), album);
        if (arguments.first() == "from-list")  // each album from the list's first line
            QCOMPARE(bytes.mid(bytes.size() - 125, 6), QByteArray(i == 0 || i == 2 || i == 4 ? "First " : "Second"));
    }
    for (const QByteArray &file : passedFiles)
        QVERIFY2(before.contains(file + ':' + readFile(tree() + '/' + file) + '\n'), file);

    const Run undo = runCli({"undo", "--batch"}, m_root->path());
    QVERIFY2(undo.exitCode == 0, undo.err);
    QCOMPARE(contents(), before);
}

void TestCliTree::interruptStopsAfterTheFileInHand_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("summary");
    QTest::newRow("a job") << QStringList{"number", "-r", "--start", "9", "tree"}
                           << QByteArray("number: 2 written, 0 unchanged, 0 skipped; stopped by Ctrl+C, 3 not reached");
    QTest::newRow("set") << QStringList{"set", "-r", "--year", "2024", "tree"}
                         << QByteArray("set: 2 written; stopped by Ctrl+C, 3 not reached");
}

void TestCliTree::interruptStopsAfterTheFileInHand()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, summary);
    const QByteArray before = contents();
    qputenv("VELMORA_TEST_INTERRUPT_AFTER", "2");  // the process sends itself SIGINT after 2 files
    const Run run = runCli(arguments, m_root->path());
    qunsetenv("VELMORA_TEST_INTERRUPT_AFTER");
    QCOMPARE(run.exitCode, 130);
    QVERIFY2(run.err.contains(summary), run.err);
    QList<bool> changed;
    for (const QByteArray &file : albumFiles)
        changed += !before.contains(file + ':' + readFile(tree() + '/' + file) + '\n');
    QCOMPARE(changed, (QList<bool>{true, true, false, false, false}));

    // What was written is journalled whole: no record is left unfinished, and one undo takes it back.
    const Run history = runCli({"history", "--json"}, m_root->path());
    QCOMPARE(QJsonDocument::fromJson(history.out).array().size(), 5);
    QVERIFY2(!history.out.contains("\"begun\""), history.out);
    const Run undo = runCli({"undo", "--batch"}, m_root->path());
    QVERIFY2(undo.exitCode == 0, undo.err);
    QCOMPARE(contents(), before);
}

void TestCliTree::shortOptionAndPlainFolderAsBefore()
{
    // Without --recursive a folder is its own files only, and "-r" after "--" is a file name.
    Run run = runCli({"list", "tree"}, m_root->path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.count('\n'), 1);
    run = runCli({"set", "--album", "x", "--", "-r"}, m_root->path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("-r: not an MP3 file"), run.err);
    run = runCli({"codepage", "-r", "tree"}, m_root->path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith("Alpha: suggested: none (the tags are plain ASCII"), run.out);
    QCOMPARE(run.out.count("suggested"), 3);
}

QTEST_GUILESS_MAIN(TestCliTree)
#include "tst_cli_tree.moc"
