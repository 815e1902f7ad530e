// The journal of saves from the shell: the real velmora-cli killed with SIGKILL at every step of
// a save, then started again: every file is whole, before or after, under the right name, and an
// undo of what was finished gives back the exact old bytes, names and permissions.

#include "CliTestHelpers.h"

#include <QTest>

#include <sys/stat.h>

using namespace CliTest;

namespace {

struct FileState {
    QByteArray name, bytes;
    int mode = 0;
    bool operator==(const FileState &) const = default;
};

int modeOf(const QByteArray &path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QList<FileState> statesIn(const QByteArray &folder)
{
    QList<FileState> states;
    for (const QByteArray &name : namesIn(folder))
        states.append({name, readFile(folder + '/' + name), modeOf(folder + '/' + name)});
    return states;
}

// Runs velmora-cli with its journal in state (and, when stopAt is given, stopping there).
Run runWithJournal(const QStringList &arguments, const QByteArray &folder, const QByteArray &state,
                   const QByteArray &stopAt = {})
{
    qputenv("XDG_STATE_HOME", state);
    if (!stopAt.isEmpty())
        qputenv("VELMORA_TEST_STOP_AT", stopAt);
    const Run run = runCli(arguments, folder);
    qunsetenv("VELMORA_TEST_STOP_AT");
    return run;
}

const QByteArray audio = song(4000);
const QByteArray tagged = audio + trailer("Walk", "Red Kettle", "Morning", "2001", {}, 17);

}  // namespace

class TestCliJournal : public QObject {
    Q_OBJECT

private slots:
    void killedAtEveryStepOfASave_data();
    void killedAtEveryStepOfASave();
    void undoBatchPutsASetBackByteForByte();
    void undoIsRefusedWhenTheFileChangedSince();
    void unwritableStateFolderRefusesTheSave();
    void historyListsNewestFirst();
};

void TestCliJournal::killedAtEveryStepOfASave_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("stopAt");
    const QStringList set = {QStringLiteral("set"), QStringLiteral("."), QStringLiteral("--artist"),
                             QStringLiteral("Blue Kettle")};
    const QStringList rename = {QStringLiteral("rename"), QStringLiteral(".")};
    for (const char *step : {"journal", "trailer-part", "trailer", "journal:2", "trailer-part:2", "trailer:2"})
        QTest::addRow("set, %s", step) << set << QByteArray(step);
    for (const char *step : {"trailer", "rename-linked", "renamed", "renamed:2"})
        QTest::addRow("rename, %s", step) << rename << QByteArray(step);
}

void TestCliJournal::killedAtEveryStepOfASave()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, stopAt);
    TempFolder folder, state;
    // A tagged file, an untagged one (the trailer appended) and a read-only one.
    QVERIFY(writeFile(folder.file("a.mp3"), tagged));
    QVERIFY(writeFile(folder.file("b.mp3"), audio));
    QVERIFY(writeFile(folder.file("c.mp3"), audio + trailer("Rain", "Grey Owl")));
    QVERIFY(::chmod(folder.file("c.mp3").constData(), 0444) == 0);
    const QList<FileState> before = statesIn(folder.path());

    const Run killed = runWithJournal(arguments, folder.path(), state.path(), stopAt);
    QCOMPARE(killed.exitCode, -1);  // it really stopped part-way

    const Run restarted = runWithJournal({QStringLiteral("history")}, folder.path(), state.path());
    QCOMPARE(restarted.exitCode, 0);
    // Every file whole, as before or as the command makes it.
    TempFolder done;
    for (const FileState &file : before) {
        QVERIFY(writeFile(done.file(file.name), file.bytes));
        QVERIFY(::chmod(done.file(file.name).constData(), mode_t(file.mode)) == 0);
    }
    QCOMPARE(runWithJournal(arguments, done.path(), done.subfolder("state")).exitCode, 0);
    const QList<FileState> after = statesIn(done.path());
    const QList<FileState> now = statesIn(folder.path());
    for (const FileState &file : now) {
        const bool whole = before.contains(file) || after.contains(file)
            || (file.mode == 0644 && before.contains(FileState{file.name, file.bytes, 0444}));
        QVERIFY2(whole, file.name.constData());
    }
    QCOMPARE(now.size(), before.size());
    // A second start has nothing more to say.
    QVERIFY(runWithJournal({QStringLiteral("history")}, folder.path(), state.path()).err.isEmpty());

    // Undoing what was finished gives back the exact bytes, names and permissions.
    runWithJournal({QStringLiteral("undo"), QStringLiteral("--batch")}, folder.path(), state.path());
    QCOMPARE(statesIn(folder.path()), before);
}

void TestCliJournal::undoBatchPutsASetBackByteForByte()
{
    TempFolder folder, state;
    for (const char *name : {"1 Intro.mp3", "2 Hills.mp3", "3 Outro.mp3"})
        QVERIFY(writeFile(folder.file(name), audio + trailer(name, "Red Kettle", "Morning")));
    QVERIFY(writeFile(folder.file("4 Bonus.mp3"), audio));
    const QList<FileState> before = statesIn(folder.path());
    QCOMPARE(runWithJournal({"set", ".", "--artist", "Wrong Artist"}, folder.path(), state.path()).exitCode, 0);
    QCOMPARE(runWithJournal({"rename", "."}, folder.path(), state.path()).exitCode, 0);
    QVERIFY(statesIn(folder.path()) != before);

    const Run dry = runWithJournal({"undo", "--batch", "--dry-run"}, folder.path(), state.path());
    QCOMPARE(dry.exitCode, 0);
    QCOMPARE(dry.out.count('\n'), 3);  // the untagged file kept its name
    QCOMPARE(runWithJournal({"undo", "--batch"}, folder.path(), state.path()).exitCode, 0);
    QCOMPARE(runWithJournal({"undo", "--batch"}, folder.path(), state.path()).exitCode, 0);
    QCOMPARE(statesIn(folder.path()), before);
    // An undo is a change of its own, and can be undone in turn.
    const Run history = runWithJournal({"history", "--json"}, folder.path(), state.path());
    QVERIFY(history.out.contains("\"undoes\":1,"));
    QVERIFY(history.out.contains("\"changed\":\"artist,genre\""));
    QCOMPARE(runWithJournal({"undo", "14"}, folder.path(), state.path()).exitCode, 0);
    QVERIFY(statesIn(folder.path()) != before);
}

void TestCliJournal::undoIsRefusedWhenTheFileChangedSince()
{
    TempFolder folder, state;
    QVERIFY(writeFile(folder.file("a.mp3"), tagged));
    QCOMPARE(runWithJournal({"set", "a.mp3", "--title", "Run"}, folder.path(), state.path()).exitCode, 0);
    QCOMPARE(runWithJournal({"set", "a.mp3", "--title", "Jog", "--no-journal"}, folder.path(), state.path()).exitCode, 0);
    const QByteArray changed = readFile(folder.file("a.mp3"));
    const Run undo = runWithJournal({"undo"}, folder.path(), state.path());
    QCOMPARE(undo.exitCode, 1);
    QVERIFY2(undo.err.contains("its tag has changed since"), undo.err.constData());
    QCOMPARE(readFile(folder.file("a.mp3")), changed);
}

void TestCliJournal::unwritableStateFolderRefusesTheSave()
{
    TempFolder folder, state;
    QVERIFY(writeFile(folder.file("a.mp3"), tagged));
    QVERIFY(writeFile(state.file("velmora"), "a file where the folder belongs"));
    const Run run = runWithJournal({"set", "a.mp3", "--title", "Run"}, folder.path(), state.path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(state.file("velmora")), run.err.constData());
    QCOMPARE(readFile(folder.file("a.mp3")), tagged);
    QCOMPARE(runWithJournal({"set", "a.mp3", "--title", "Run", "--no-journal"}, folder.path(), state.path()).exitCode, 0);
}

void TestCliJournal::historyListsNewestFirst()
{
    TempFolder folder, other, state;
    QVERIFY(writeFile(folder.file("a.mp3"), tagged));
    QVERIFY(writeFile(other.file("b.mp3"), tagged));
    runWithJournal({"set", "a.mp3", "--year", "1999"}, folder.path(), state.path());
    runWithJournal({"set", "b.mp3", "--year", "1998"}, other.path(), state.path());
    const QList<QByteArray> all = runWithJournal({"history"}, folder.path(), state.path()).out.split('\n');
    QVERIFY(all.at(0).startsWith("id\ttime\t"));
    QVERIFY(all.at(1).startsWith("2\t"));
    QVERIFY(all.at(1).endsWith("\tb.mp3\tb.mp3\tyear"));
    const QList<QByteArray> one = runWithJournal({"history", "."}, folder.path(), state.path()).out.split('\n');
    QCOMPARE(one.size(), 3);  // the header, one change, and the end
    QVERIFY(one.at(1).startsWith("1\t"));
}

QTEST_GUILESS_MAIN(TestCliJournal)
#include "tst_cli_journal.moc"
