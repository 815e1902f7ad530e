// What the journal of saves costs: a save of one file in the middle of a 10,000-file folder with
// and without the journal, taken in turn in the same iterations so that the machine's load falls
// on both alike. Alone (the file work of the save), and followed by the re-read of the whole
// folder that the window does after every save. And what a start costs with 10,000 changes in
// the journal against none: the journal opened and looked at for changes cut short.

#include "BenchFolders.h"
#include "BenchSupport.h"

#include "tags/trailer/BulkTrailerReader.h"
#include "tags/trailer/TagCore.h"
#include "tags/journal/JournalRecovery.h"
#include "tags/journal/JournalUndo.h"
#include "tags/journal/SaveJournal.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>

#include <sqlite3.h>

namespace {

double nowNs()
{
    return Stamp::now().wall;
}

void rereadFolder(const QByteArray &folder)
{
    std::vector<ListedFile> files;
    listFolderFiles(folder, QStringLiteral("*.mp3"), files);
    int tagged = 0;
    readFolderTrailers(folder, files, [&](int, const RawTrailer &raw) { tagged += raw.tagged(); });
    benchmark::DoNotOptimize(tagged);
}

// Arguments: the folder's size, and whether the folder is re-read after each save.
void BM_SaveWithAndWithoutJournal(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return;
    const bool reread = state.range(1) != 0;
    std::vector<ListedFile> files;
    listFolderFiles(folder, QStringLiteral("*.mp3"), files);
    SaveJournal journal(BenchFolders::scratchFolder("journal"));
    TagSave request;
    request.path = folder + '/' + files[files.size() / 2].name;
    request.fields.artist = "Bench";
    double plain = 0, journalled = 0;
    int round = 0;
    for (auto _ : state) {
        for (int withJournal = 0; withJournal < 2; ++withJournal) {
            request.fields.title = "Saved " + QByteArray::number(round++);
            request.journal = withJournal ? &journal : nullptr;
            const double start = nowNs();
            const bool saved = saveTagFile(request).status.ok();
            if (reread)
                rereadFolder(folder);
            (withJournal ? journalled : plain) += nowNs() - start;
            if (!saved)
                state.SkipWithError("save failed");
        }
    }
    const double n = double(state.iterations()) * 1e6;
    state.counters["plain_ms"] = plain / n;
    state.counters["journal_ms"] = journalled / n;
    state.counters["ratio"] = journalled / plain;
    noteLoad(state);
}

// A journal holding changes rows: one real save, copied in one transaction; 0: no journal.
QByteArray journalWith(const QByteArray &name, int changes)
{
    const QByteArray folder = BenchFolders::scratchFolder(name.constData());
    if (changes == 0)
        return folder;  // no journal at all
    const QByteArray files = BenchFolders::scratchFolder((name + "-files").constData());
    QFile song(QString::fromUtf8(files + "/a.mp3"));
    song.open(QIODevice::WriteOnly);
    song.write(QByteArray(4000, 'x'));
    song.close();
    SaveJournal journal(folder);
    TagSave request;
    request.path = files + "/a.mp3";
    request.fields.title = "Bench";
    request.journal = &journal;
    saveTagFile(request);
    if (changes > 1) {
        sqlite3 *db = nullptr;
        sqlite3_open((folder + "/journal.sqlite").constData(), &db);
        const QByteArray copy = "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < "
            + QByteArray::number(changes) + ") INSERT INTO change (batch, undoes, time_ms, folder, old_name, new_name, op, "
            "length_before, old_tail, new_tail, device, inode, mode_before, mode_after, state) SELECT i, NULL, time_ms, "
            "folder, old_name, new_name, op, length_before, old_tail, new_tail, device, inode, mode_before, mode_after, "
            "state FROM change, n WHERE change.id = 1";
        sqlite3_exec(db, copy.constData(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    return folder;
}

// Argument: the changes in the journal. A start: the journal opened and looked at for changes
// cut short (and trimmed when over the limit), as every velmora-cli command and the window do.
void BM_StartWithJournal(benchmark::State &state)
{
    const QByteArray folder = journalWith("start-" + QByteArray::number(state.range(0)), int(state.range(0)));
    {
        SaveJournal journal(folder);
        if (qint64(journal.records().size()) != state.range(0)) {
            state.SkipWithError("the journal was not filled");
            return;
        }
    }
    for (auto _ : state) {
        SaveJournal journal(folder);
        benchmark::DoNotOptimize(recoverInterruptedSaves(journal));
    }
    noteLoad(state);
}

}  // namespace

BENCHMARK(BM_StartWithJournal)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithAndWithoutJournal)->Apply([](auto *b) {
    timed(b->Args({10000, 0})->Args({10000, 1}), 40);
});

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);  // --help ends here, before anything is generated
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BenchFolders::prepare();
    QCoreApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BenchFolders::removeAll();
    return 0;
}
