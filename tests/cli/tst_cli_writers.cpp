// Several velmora-cli processes writing one folder at once, as real processes: each file's read,
// check and write is one step under the file's lock, so no change is lost, and each journal record's
// old tag is the tag its save overwrote. An undo of a batch is whole or nothing. What a save of a
// folder costs each file: two opens, its read and its write, and one flush.

#include "CliTestHelpers.h"

#include "tags/id3v1/Id3v1.h"
#include "tags/journal/SaveJournal.h"

#include <QProcess>
#include <QTest>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

using namespace CliTest;

namespace {

constexpr int Files = 30;
constexpr int Rounds = 20;

QByteArray nameOf(int i)
{
    return QByteArray::number(100 + i) + ".mp3";
}

// The text of a field of the trailer, without its padding.
QByteArray fieldOf(const QByteArray &trailerBytes, QByteArray Id3v1::Fields::*field)
{
    QByteArray text = Id3v1::parse(trailerBytes).*field;
    while (!text.isEmpty() && (text.endsWith(' ') || text.endsWith('\0')))
        text.chop(1);
    return text;
}

// Starts every command at once in folder, with the journal in state; true when all exited 0.
bool runTogether(const QList<QStringList> &commands, const QByteArray &folder, const QByteArray &state)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), QString::fromUtf8(state));
    for (const QStringList &arguments : commands) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(QString::fromUtf8(folder));
        process->start(QStringLiteral(VELMORA_CLI), arguments);
        processes.push_back(std::move(process));
    }
    bool allDone = true;
    for (const auto &process : processes) {
        const bool finished = process->waitForFinished(120000);
        if (!finished || process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0) {
            qWarning("%s", process->readAllStandardError().constData());
            allDone = false;
        }
    }
    return allDone;
}

}  // namespace

class TestCliWriters : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> m_folder, m_state;

    QByteArray tailOf(int i) const { return readFile(m_folder->file(nameOf(i))).right(128); }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempFolder>();
        m_state = std::make_unique<TempFolder>();
        for (int i = 0; i < Files; ++i)
            QVERIFY(writeFile(m_folder->file(nameOf(i)), song(700 + i, trailer("Title", "Artist", "Album", "1990"))));
    }

    // Six writers, one field each: every file ends with all six changes, in every round.
    void writersOfDifferentFieldsKeepEveryChange()
    {
        const QByteArray folder = m_folder->path();
        for (int round = 0; round < Rounds; ++round) {
            const QByteArray mark = QByteArray::number(round);
            const QList<QStringList> writers = {
                {"set", folder, "--title", "T" + mark},   {"set", folder, "--artist", "A" + mark},
                {"set", folder, "--album", "L" + mark},   {"set", folder, "--year", QString::number(2000 + round)},
                {"set", folder, "--comment", "C" + mark}, {"set", folder, "--genre", QString::number(round)},
            };
            QVERIFY(runTogether(writers, folder, m_state->path()));
            for (int i = 0; i < Files; ++i) {
                const QByteArray tail = tailOf(i);
                QCOMPARE(fieldOf(tail, &Id3v1::Fields::title), "T" + mark);
                QCOMPARE(fieldOf(tail, &Id3v1::Fields::artist), "A" + mark);
                QCOMPARE(fieldOf(tail, &Id3v1::Fields::album), "L" + mark);
                QCOMPARE(fieldOf(tail, &Id3v1::Fields::year), QByteArray::number(2000 + round));
                QCOMPARE(fieldOf(tail, &Id3v1::Fields::comment), "C" + mark);
                QCOMPARE(int(quint8(tail[127])), round);
            }
        }
    }

    // Eight writers of the same field: one value wins, and the journal's records of each file form
    // one chain in the order the saves wrote, each record's old trailer the one the save before it
    // wrote, so undo takes back exactly what each save did.
    void writersOfOneFieldLeaveAChainOfRecords()
    {
        const QByteArray folder = m_folder->path();
        for (int round = 0; round < Rounds; ++round) {
            QList<QStringList> writers;
            for (int w = 0; w < 8; ++w)
                writers.append({"set", folder, "--title", QStringLiteral("R%1 W%2").arg(round).arg(w)});
            std::vector<QByteArray> before;
            for (int i = 0; i < Files; ++i)
                before.push_back(tailOf(i));
            SaveJournal journal(m_state->path() + "/velmora");
            const qint64 last = journal.records({}, 1).empty() ? 0 : journal.records({}, 1).front().id;
            QVERIFY(runTogether(writers, folder, m_state->path()));

            std::map<QByteArray, std::vector<JournalRecord>> byName;
            for (const JournalRecord &r : journal.records()) {
                if (r.id > last)
                    byName[r.oldName].push_back(r);
            }
            for (int i = 0; i < Files; ++i) {
                std::vector<JournalRecord> &records = byName[nameOf(i)];
                QCOMPARE(int(records.size()), 8);
                QByteArray tail = before[size_t(i)];
                while (!records.empty()) {  // the save that wrote over tail, and so on
                    const auto next = std::find_if(records.begin(), records.end(),
                                                   [&](const JournalRecord &r) { return r.oldTail == tail; });
                    QVERIFY2(next != records.end(), qPrintable(QStringLiteral("no save wrote over the tail of %1").arg(i)));
                    tail = next->newTail;
                    records.erase(next);
                }
                QCOMPARE(tail, tailOf(i));
            }
        }
    }

    // A save of a folder costs each file two opens, its read and its write, and one flush of its
    // own: a batch this small is not made to wait for everything else written to the disk.
    void aSetOpensEachFileTwiceAndFlushesItOnce()
    {
        TempFolder trace;
        qputenv("XDG_STATE_HOME", m_state->path());
        // A leak check cannot run under a tracer (sanitizer builds); the traced run only counts calls.
        const QByteArray asan = qgetenv("ASAN_OPTIONS");
        qputenv("ASAN_OPTIONS", asan + ":detect_leaks=0");
        const Run run = runCliUnder({"strace", "-f", "-qq", "-y", "-e", "trace=open,openat,fsync,syncfs", "-o",
                                     QString::fromUtf8(trace.file("t")), "--"},
                                    {"set", m_folder->path(), "--album", "Blue Album"}, m_folder->path());
        qputenv("ASAN_OPTIONS", asan);
        if (run.exitCode != 0 && !exists(trace.file("t")))
            QSKIP("strace cannot trace here");
        QCOMPARE(run.exitCode, 0);
        std::map<QByteArray, int> opens, flushes;
        int syncfs = 0;
        for (const QByteArray &line : readFile(trace.file("t")).split('\n')) {
            syncfs += line.contains("syncfs(") ? 1 : 0;
            for (int i = 0; i < Files; ++i) {
                if (line.contains("open") && line.contains('/' + nameOf(i) + '"'))
                    ++opens[nameOf(i)];
                if (line.contains("fsync(") && line.contains('/' + nameOf(i) + '>'))
                    ++flushes[nameOf(i)];
            }
        }
        QCOMPARE(syncfs, 0);
        QCOMPARE(int(opens.size()), Files);
        QCOMPARE(int(flushes.size()), Files);
        for (const auto &[name, count] : opens)
            QVERIFY2(count == 2 && flushes[name] == 1,
                     qPrintable(name + ": " + QByteArray::number(count) + " opens, " + QByteArray::number(flushes[name]) + " flushes"));
    }

    // One file of a batch changed by another program: undo --batch refuses the whole batch, names
    // that file, and changes none.
    void aBatchIsUndoneWholeOrNotAtAll()
    {
        const QByteArray folder = m_folder->path();
        QVERIFY(runTogether({{"set", folder, "--album", "Blue Album"}}, folder, m_state->path()));
        std::vector<QByteArray> saved;
        for (int i = 0; i < Files; ++i)
            saved.push_back(readFile(m_folder->file(nameOf(i))));
        QByteArray changed = saved[7];
        changed[changed.size() - 128 + 3] = 'X';  // another tool's edit of the title
        QVERIFY(writeFile(m_folder->file(nameOf(7)), changed));

        qputenv("XDG_STATE_HOME", m_state->path());
        const Run undo = runCli({"undo", "--batch"}, folder);
        QCOMPARE(undo.exitCode, 1);
        QVERIFY2(undo.err.contains(nameOf(7)) && undo.err.contains("nothing was undone"), undo.err.constData());
        QVERIFY(undo.out.isEmpty());
        for (int i = 0; i < Files; ++i)
            QCOMPARE(readFile(m_folder->file(nameOf(i))), i == 7 ? changed : saved[size_t(i)]);

        QVERIFY(writeFile(m_folder->file(nameOf(7)), saved[7]));  // put back: the batch goes back whole
        QCOMPARE(runCli({"undo", "--batch"}, folder).exitCode, 0);
        for (int i = 0; i < Files; ++i)
            QCOMPARE(fieldOf(tailOf(i), &Id3v1::Fields::album), QByteArray("Album"));
    }
};

QTEST_GUILESS_MAIN(TestCliWriters)
#include "tst_cli_writers.moc"
