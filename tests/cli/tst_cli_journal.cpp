// The journal of saves from the shell: the real velmora-cli killed with SIGKILL at every step of
// a save and of an undo (at its own stops, and at every system call that writes, by strace), then
// started again: every file is whole, before or after, under one name, and undoing what was
// finished gives back the exact old bytes, names and permissions. Several processes at once get
// ids of their own; a failing step fails the undo, and the next start finishes it.

#include "CliTestHelpers.h"
#include "support/Id3v2Files.h"

#include "tags/journal/JournalBatch.h"
#include "tags/journal/JournalStore.h"
#include "tags/journal/SaveJournal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
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

// velmora-cli under strace, with inject (e.g. "fsync:signal=SIGKILL:when=3") applied.
Run runTraced(const QStringList &arguments, const QByteArray &folder, const QByteArray &state, const QByteArray &inject)
{
    qputenv("XDG_STATE_HOME", state);
    return runCliUnder({"strace", "-f", "-qq", "-o", "/dev/null", "-e", "inject=" + QString::fromUtf8(inject), "--"},
                       arguments, folder);
}

// The system calls that change a file or the journal, and how often a run makes each.
const char *const WritingCalls = "pwrite64,write,fsync,fdatasync,ftruncate,fchmod,fchown,utimensat,rename,renameat,renameat2,linkat,unlinkat,flock";
QList<QPair<QByteArray, int>> writingCallsOf(const QStringList &arguments, const QByteArray &folder, const QByteArray &state)
{
    TempFolder trace;
    qputenv("XDG_STATE_HOME", state);
    runCliUnder({"strace", "-f", "-qq", "-o", QString::fromUtf8(trace.file("t")), "-e", QStringLiteral("trace=") + WritingCalls, "--"},
                arguments, folder);
    QList<QPair<QByteArray, int>> counts;
    for (const QByteArray &line : readFile(trace.file("t")).split('\n')) {
        const QByteArray text = line.mid(line.indexOf(' ') + 1).trimmed();  // after the process id
        const QByteArray call = text.left(text.indexOf('('));
        if (call.isEmpty() || call.contains(' '))
            continue;
        auto found = std::find_if(counts.begin(), counts.end(), [&](const auto &c) { return c.first == call; });
        if (found == counts.end())
            counts.append({call, 1});
        else
            ++found->second;
    }
    return counts;
}

// The WAL's page writes come in runs of alike calls: here every third one and the last, so that
// the test stays short (bench/journal_kills.py kills at every one).
int strideOf(const QByteArray &call, int n, int count)
{
    if (call != "pwrite64" || n == count)
        return 1;
    return qMin(3, count - n);
}

const QByteArray audio = song(4000);
const QByteArray tagged = audio + trailer("Walk", "Red Kettle", "Morning", "2001", {}, 17);

}  // namespace

class TestCliJournal : public QObject {
    Q_OBJECT

private slots:
    void killedAnywhereEveryFileIsWhole_data();
    void killedAnywhereEveryFileIsWhole();
    void processesAtOnceGetIdsOfTheirOwn_data();
    void processesAtOnceGetIdsOfTheirOwn();
    void aFailingStepFailsTheUndo_data();
    void aFailingStepFailsTheUndo();
    void undoBatchPutsASetBackByteForByte();
    void undoIsRefusedWhenTheFileChangedSince();
    void unwritableStateFolderRefusesTheSave();
    void aStrangeJournalStopsNoCommand_data();
    void aStrangeJournalStopsNoCommand();
    void historyListsNewestFirst();
    void aCommandsBatchCarriesItsJobsName_data();
    void aCommandsBatchCarriesItsJobsName();
    void aFullDiskIsSaidSo();
    void aLostWalLosesNoSave();
};

namespace {

// A tagged file, an untagged one (the trailer appended) and a read-only one.
void makeFiles(const TempFolder &folder)
{
    QVERIFY(writeFile(folder.file("a.mp3"), tagged));
    QVERIFY(writeFile(folder.file("b.mp3"), audio));
    QVERIFY(writeFile(folder.file("c.mp3"), audio + trailer("Rain", "Grey Owl")));
    QVERIFY(::chmod(folder.file("c.mp3").constData(), 0444) == 0);
}

// With their ID3v2 tags written too: one whose padding takes the new artist (written in place),
// one without padding (written anew and renamed over the old), and c.mp3 read-only.
void makeV2Files(const TempFolder &folder)
{
    using namespace Id3v2Files;
    const QList<Frame> frames = {{"TIT2", latin1("Walk")}, {"APIC", QByteArray("\0image/png\0\3\0", 13) + QByteArray(3000, 'p')},
                                 {"TPE1", latin1("Red Kettle")}};
    QVERIFY(writeFile(folder.file("a.mp3"), tag(3, frames, {.padding = 100}) + tagged));
    QVERIFY(writeFile(folder.file("b.mp3"), tag(4, frames) + audio));
    QVERIFY(writeFile(folder.file("c.mp3"), tag(4, frames, {.padding = 20}) + audio + trailer("Rain", "Grey Owl")));
    QVERIFY(::chmod(folder.file("c.mp3").constData(), 0444) == 0);
}

const QStringList setAll = {QStringLiteral("set"), QStringLiteral("."), QStringLiteral("--artist"), QStringLiteral("Blue Kettle")};
const QStringList setOne = {QStringLiteral("set"), QStringLiteral("c.mp3"), QStringLiteral("--artist"), QStringLiteral("Blue Kettle")};
const QStringList renameAll = {QStringLiteral("rename"), QStringLiteral(".")};
const QStringList fromNamesAll = {QStringLiteral("from-names"), QStringLiteral("--pattern"), QStringLiteral("%t"), QStringLiteral(".")};
const QStringList setAllV2 = setAll + QStringList{QStringLiteral("--write-v2")};
const QStringList setOneV2 = {QStringLiteral("set"), QStringLiteral("b.mp3"), QStringLiteral("--artist"), QStringLiteral("Blue Kettle"), QStringLiteral("--write-v2")};
const QStringList setInPlaceV2 = {QStringLiteral("set"), QStringLiteral("a.mp3"), QStringLiteral("--artist"), QStringLiteral("Blue Kettle"), QStringLiteral("--write-v2")};
const QStringList undoBatch = {QStringLiteral("undo"), QStringLiteral("--batch")};

}  // namespace

// stop: a stop of the program's own ("step" or "step:N", TestStop.h) or "strace CALL N", the N-th
// call killed by strace. prepare: run to the end first (the save an undo takes back).
void TestCliJournal::killedAnywhereEveryFileIsWhole_data()
{
    QTest::addColumn<QStringList>("prepare");
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QByteArray>("stop");
    for (const char *step : {"journal", "trailer-part", "trailer", "journal:2", "trailer-part:2", "trailer:2", "journal:3"})
        QTest::addRow("set, %s", step) << QStringList() << setAll << QByteArray(step);
    for (const char *step : {"trailer", "rename-linked", "renamed", "renamed:2"})
        QTest::addRow("rename, %s", step) << QStringList() << renameAll << QByteArray(step);
    // A job commits every record first: killed before, between or after its writes.
    for (const char *step : {"journal", "trailer", "journal:2", "trailer:3"})
        QTest::addRow("from-names, %s", step) << QStringList() << fromNamesAll << QByteArray(step);
    for (const char *step : {"undo-bytes", "undo-mode", "undo-bytes:2", "undo-mode:2", "undo-mode:3", "undo-bytes:3"})
        QTest::addRow("undo of a set, %s", step) << setAll << undoBatch << QByteArray(step);
    for (const char *step : {"undo-bytes", "undo-mode", "undo-renamed"})
        QTest::addRow("undo of a rename, %s", step) << renameAll << undoBatch << QByteArray(step);
    // The same with the ID3v2 tags written too ("v2" in the name: the files of makeV2Files).
    for (const char *step : {"journal", "head-part", "trailer-part", "trailer", "rewrite-copied", "rewrite-renamed",
                             "journal:2", "head-part:3", "trailer:2", "journal:3"})
        QTest::addRow("v2 set, %s", step) << QStringList() << setAllV2 << QByteArray(step);
    for (const char *step : {"undo-bytes", "undo-mode", "undo-bytes:2", "undo-mode:3", "undo-bytes:3"})
        QTest::addRow("v2 undo of a set, %s", step) << setAllV2 << undoBatch << QByteArray(step);
    for (const QStringList &save : {setInPlaceV2, setOneV2}) {
        const char *how = save == setOneV2 ? "rewrite" : "in place";
        TempFolder folder, state, primer;  // into a journal that holds a save already, as below
        makeV2Files(folder);
        makeFiles(primer);
        runWithJournal(setOne, primer.path(), state.path());
        for (const auto &[call, count] : writingCallsOf(save, folder.path(), state.path()))
            for (int n = 1; n <= count; n += strideOf(call, n, count))
                QTest::addRow("v2 set %s, strace %s %d", how, call.constData(), n)
                    << QStringList() << save << "strace " + call + ' ' + QByteArray::number(n);
        for (const auto &[call, count] : writingCallsOf({QStringLiteral("undo")}, folder.path(), state.path()))
            for (int n = 1; n <= count; n += strideOf(call, n, count))
                QTest::addRow("v2 undo %s, strace %s %d", how, call.constData(), n)
                    << save << QStringList{QStringLiteral("undo")} << "strace " + call + ' ' + QByteArray::number(n);
    }
    // Every call that writes, of one save of a read-only file and of its undo, into a journal
    // that holds a save already.
    TempFolder folder, state, primer;
    makeFiles(folder);
    makeFiles(primer);
    runWithJournal(setOne, primer.path(), state.path());
    for (const auto &[call, count] : writingCallsOf(setOne, folder.path(), state.path()))
        for (int n = 1; n <= count; n += strideOf(call, n, count))
            QTest::addRow("set, strace %s %d", call.constData(), n) << QStringList() << setOne
                                                                   << "strace " + call + ' ' + QByteArray::number(n);
    for (const auto &[call, count] : writingCallsOf({QStringLiteral("undo")}, folder.path(), state.path()))
        for (int n = 1; n <= count; n += strideOf(call, n, count))
            QTest::addRow("undo, strace %s %d", call.constData(), n) << setOne << QStringList{QStringLiteral("undo")}
                                                                    << "strace " + call + ' ' + QByteArray::number(n);
}

void TestCliJournal::killedAnywhereEveryFileIsWhole()
{
    QFETCH(QStringList, prepare);
    QFETCH(QStringList, command);
    QFETCH(QByteArray, stop);
    const bool v2 = QByteArray(QTest::currentDataTag()).startsWith("v2 ");
    const auto make = v2 ? makeV2Files : makeFiles;
    TempFolder folder, state, primer;
    make(folder);
    makeFiles(primer);
    const QList<FileState> before = statesIn(folder.path());
    // The states a whole file may be in: before, after the preparation, after the command; made
    // once for each preparation and command on a copy.
    static QMap<QStringList, QList<FileState>> wholeStates;
    const QStringList key = prepare + QStringList{QStringLiteral("then")} + command;
    if (!wholeStates.contains(key)) {
        TempFolder copy;
        make(copy);
        QList<FileState> whole = before;
        const QByteArray copyState = copy.subfolder(".state");
        if (!prepare.isEmpty()) {
            QCOMPARE(runWithJournal(prepare, copy.path(), copyState).exitCode, 0);
            whole += statesIn(copy.path());
        }
        runWithJournal(command, copy.path(), copyState);
        wholeStates.insert(key, whole + statesIn(copy.path()));
    }
    const QList<FileState> &whole = wholeStates[key];
    // The journal holds a save already, as it mostly will.
    QCOMPARE(runWithJournal(setOne, primer.path(), state.path()).exitCode, 0);
    if (!prepare.isEmpty())
        QCOMPARE(runWithJournal(prepare, folder.path(), state.path()).exitCode, 0);

    const QList<QByteArray> words = stop.split(' ');
    const Run killed = words[0] == "strace"
        ? runTraced(command, folder.path(), state.path(), words[1] + ":signal=SIGKILL:when=" + words[2])
        : runWithJournal(command, folder.path(), state.path(), stop);
    QCOMPARE(killed.exitCode, -1);  // it really stopped part-way

    const Run restarted = runWithJournal({QStringLiteral("history")}, folder.path(), state.path());
    QCOMPARE(restarted.exitCode, 0);
    const QList<FileState> now = statesIn(folder.path());
    for (const FileState &file : now)
        QVERIFY2(whole.contains(file), qPrintable(file.name + " mode " + QByteArray::number(file.mode, 8) + ": " + restarted.err));
    QCOMPARE(now.size(), before.size());  // one name each
    QVERIFY(!restarted.out.contains("\tbegun\t") && !restarted.out.contains("\tbytes\t") && !restarted.out.contains("\tmode\t"));
    QVERIFY(runWithJournal({QStringLiteral("history")}, folder.path(), state.path()).err.isEmpty());  // said once

    // Undoing what was finished gives back the exact bytes, names and permissions.
    for (int i = 0; i < 4 && statesIn(folder.path()) != before; ++i)
        runWithJournal(undoBatch, folder.path(), state.path());
    QCOMPARE(statesIn(folder.path()), before);
}

void TestCliJournal::processesAtOnceGetIdsOfTheirOwn_data()
{
    QTest::addColumn<int>("processes");
    for (int n : {2, 4, 8})
        QTest::addRow("%d at once", n) << n;
}

void TestCliJournal::processesAtOnceGetIdsOfTheirOwn()
{
    QFETCH(int, processes);
    constexpr int Rounds = 3;  // bench/journal_kills.py runs 50
    TempFolder state;
    std::vector<std::unique_ptr<TempFolder>> folders;
    QList<QList<FileState>> before;
    for (int p = 0; p < processes; ++p) {
        folders.push_back(std::make_unique<TempFolder>());
        makeFiles(*folders.back());
        before.append(statesIn(folders.back()->path()));
    }
    for (int round = 0; round < Rounds; ++round) {
        std::vector<std::unique_ptr<QProcess>> running;
        for (int p = 0; p < processes; ++p) {
            auto process = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_STATE_HOME"), QString::fromUtf8(state.path()));
            process->setProcessEnvironment(env);
            process->setWorkingDirectory(QString::fromUtf8(folders[size_t(p)]->path()));
            process->start(QStringLiteral(VELMORA_CLI), {"set", ".", "--title", QStringLiteral("Round %1").arg(round)});
            running.push_back(std::move(process));
        }
        for (auto &process : running) {
            QVERIFY(process->waitForFinished(30000));
            QVERIFY2(process->exitCode() == 0, process->readAllStandardError().constData());
        }
    }
    const Run history = runWithJournal({"history", "--json"}, state.path(), state.path());
    const QJsonArray changes = QJsonDocument::fromJson(history.out).array();
    QCOMPARE(changes.size(), processes * 3 * Rounds);
    QSet<qint64> ids;
    QMap<QString, int> listed;
    for (const QJsonValue &change : changes) {
        ids.insert(change[QStringLiteral("id")].toInteger());
        ++listed[change[QStringLiteral("folder")].toString() + '/' + change[QStringLiteral("old_name")].toString()];
    }
    QCOMPARE(ids.size(), changes.size());
    QCOMPARE(listed.size(), processes * 3);
    for (int times : listed)
        QCOMPARE(times, Rounds);
    for (int i = 0; i < processes * Rounds; ++i)
        QCOMPARE(runWithJournal(undoBatch, state.path(), state.path()).exitCode, 0);
    for (int p = 0; p < processes; ++p)
        QCOMPARE(statesIn(folders[size_t(p)]->path()), before[p]);
}

// A step of an undo that fails (the permissions, the name) fails the undo with its reason and exit
// status 1; the record keeps the steps done, and the next start finishes it.
void TestCliJournal::aFailingStepFailsTheUndo_data()
{
    QTest::addColumn<QStringList>("prepare");
    QTest::addColumn<QByteArray>("inject");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("stateLeft");
    QTest::newRow("fchmod") << setOne << QByteArray("fchmod:error=EPERM") << "could not be given back" << QByteArray("bytes");
    QTest::newRow("rename") << QStringList{"rename", "a.mp3"} << QByteArray("renameat2:error=EACCES")
                            << "could not be renamed back" << QByteArray("mode");
}

void TestCliJournal::aFailingStepFailsTheUndo()
{
    QFETCH(QStringList, prepare);
    QFETCH(QByteArray, inject);
    QFETCH(QString, message);
    QFETCH(QByteArray, stateLeft);
    TempFolder folder, state;
    makeFiles(folder);
    const QList<FileState> before = statesIn(folder.path());
    QCOMPARE(runWithJournal(prepare, folder.path(), state.path()).exitCode, 0);
    const Run failed = runTraced({QStringLiteral("undo")}, folder.path(), state.path(), inject);
    QCOMPARE(failed.exitCode, 1);
    QVERIFY2(failed.err.contains(message.toUtf8()), failed.err.constData());
    {
        JournalStore store(state.path() + "/velmora");
        StoreResult read;
        QVERIFY(store.open(false));
        QCOMPARE(QByteArray(JournalFormat::stateName(store.records({}, 1, read).front().state)), stateLeft);
    }
    const Run next = runWithJournal({QStringLiteral("history")}, folder.path(), state.path());
    QVERIFY2(next.err.contains("it was finished"), next.err.constData());
    QCOMPARE(statesIn(folder.path()), before);
}

// The window's Edit > Undo names a command's batch as it names its own jobs'.
void TestCliJournal::aCommandsBatchCarriesItsJobsName_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("jobName");
    QTest::newRow("set") << setAll << "Values for Every File";
    QTest::newRow("from-names") << fromNamesAll << "Tags from File Names";
    QTest::newRow("number") << QStringList{"number", "."} << "Number Tracks";
    QTest::newRow("rename") << renameAll << "Rename Every File";
    QTest::newRow("case") << QStringList{"case", ".", "--upper"} << "Case and Replace";
}

void TestCliJournal::aCommandsBatchCarriesItsJobsName()
{
    QFETCH(QStringList, command);
    QFETCH(QString, jobName);
    TempFolder folder, state;
    makeFiles(folder);
    QCOMPARE(runWithJournal(setOne, folder.path(), state.path()).exitCode, 0);  // a batch before it
    const Run run = runWithJournal(command, folder.path(), state.path());
    QVERIFY2(run.exitCode == 0, run.err.constData());
    SaveJournal journal(state.path() + "/velmora");
    QCOMPARE(lastUndoableBatch(journal).jobName, jobName);
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
    QCOMPARE(runWithJournal({"undo", "14"}, folder.path(), state.path()).exitCode, 1);  // once only
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

// The journal (or the previous version's) as a link to /dev/zero or a FIFO: every command ends at
// once, a save is refused with a message naming it, nothing is read from it.
void TestCliJournal::aStrangeJournalStopsNoCommand_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("fifo");
    QTest::newRow("journal.sqlite to /dev/zero") << QByteArray("journal.sqlite") << false;
    QTest::newRow("journal.sqlite a FIFO") << QByteArray("journal.sqlite") << true;
    QTest::newRow("old journal to /dev/zero") << QByteArray("journal") << false;
    QTest::newRow("old journal a FIFO") << QByteArray("journal") << true;
}

void TestCliJournal::aStrangeJournalStopsNoCommand()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, fifo);
    TempFolder folder, state;
    QVERIFY(writeFile(folder.file("a.mp3"), tagged));
    const QByteArray journal = state.subfolder("velmora") + '/' + name;
    QVERIFY(fifo ? ::mkfifo(journal.constData(), 0600) == 0 : ::symlink("/dev/zero", journal.constData()) == 0);
    const bool current = name == "journal.sqlite";
    const Run list = runWithJournal({"list", "."}, folder.path(), state.path());
    QCOMPARE(list.exitCode, 0);
    QVERIFY(list.out.contains("a.mp3"));
    const Run history = runWithJournal({"history"}, folder.path(), state.path());
    QCOMPARE(history.exitCode, current ? 1 : 0);
    const Run set = runWithJournal({"set", "a.mp3", "--title", "Run"}, folder.path(), state.path());
    QCOMPARE(set.exitCode, current ? 1 : 0);
    const QByteArray said = history.err + set.err;
    QVERIFY2(said.contains(journal) && said.contains(fifo ? "a FIFO" : "a link"), said.constData());
    QCOMPARE(readFile(folder.file("a.mp3")) == tagged, current);
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
    const QByteArray limited = runWithJournal({"history", "--folder", other.path(), "--limit", "1"}, folder.path(), state.path()).out;
    QCOMPARE(limited.count('\n'), 2);
    QVERIFY(limited.contains("\tb.mp3\tb.mp3\t"));
    QCOMPARE(runWithJournal({"history", "--limit", "0"}, folder.path(), state.path()).exitCode, 2);
    const Run tooMany = runWithJournal({"history", "--limit", "99999999999"}, folder.path(), state.path());
    QCOMPARE(tooMany.exitCode, 2);
    QVERIFY2(tooMany.err.contains("--limit takes a number of changes from 1 to 2147483647"), tooMany.err.constData());
}

// The journal's write-ahead log refused room (its write, its flush): the save is refused in the
// command line's own words, the file untouched.
void TestCliJournal::aFullDiskIsSaidSo()
{
    TempFolder folder, state;
    makeFiles(folder);
    QCOMPARE(runWithJournal(setOne, folder.path(), state.path()).exitCode, 0);
    const QByteArray before = readFile(folder.file("a.mp3"));
    for (const QString call : {"pwrite64", "fdatasync"}) {
        qputenv("XDG_STATE_HOME", state.path());
        const Run full = runCliUnder({"strace", "-f", "-qq", "-o", "/dev/null", "-P", state.path() + "/velmora/journal.sqlite-wal",
                                      "-e", "inject=" + call + ":error=ENOSPC:when=1", "--"},
                                     {"set", "a.mp3", "--title", "Full"}, folder.path());
        QCOMPARE(full.exitCode, 1);
        QVERIFY2(full.err.contains("the disk is full; nothing was changed") && !full.err.contains("I/O"),
                 full.err.constData());
        QCOMPARE(readFile(folder.file("a.mp3")), before);
    }
}

// Another process (the window) has the journal open, so closing is not the last close: the log is
// still emptied into the database at the end of the command, and losing it loses no record.
void TestCliJournal::aLostWalLosesNoSave()
{
    TempFolder folder, state, copy;
    makeFiles(folder);
    QCOMPARE(runWithJournal(setOne, folder.path(), state.path()).exitCode, 0);
    const QByteArray journal = state.path() + "/velmora/journal.sqlite";
    JournalStore window(state.path() + "/velmora");
    StoreResult read;
    QVERIFY(window.open(false));
    QCOMPARE(window.records({}, 0, read).size(), size_t(1));
    QCOMPARE(runWithJournal(setAll, folder.path(), state.path()).exitCode, 0);
    QVERIFY(!exists(journal + "-wal") || readFile(journal + "-wal").isEmpty());
    QVERIFY(writeFile(copy.file("journal.sqlite"), readFile(journal)));  // without the log
    JournalStore copied(copy.path());
    QVERIFY(copied.open(false));
    QCOMPARE(copied.records({}, 0, read).size(), window.records({}, 0, read).size());
    QCOMPARE(copied.records({}, 0, read).size(), size_t(3));  // c.mp3 was the artist already
}

QTEST_GUILESS_MAIN(TestCliJournal)
#include "tst_cli_journal.moc"
