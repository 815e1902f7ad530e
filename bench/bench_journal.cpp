// What the journal of saves costs: a save of one file in the middle of a 10,000-file folder with
// and without the journal, taken in turn in the same iterations so that the machine's load falls
// on both alike. Alone (the file work of the save), and followed by the re-read of the whole
// folder that the window does after every save.

#include "BenchFolders.h"
#include "BenchSupport.h"

#include "tags/BulkTrailerReader.h"
#include "tags/journal/SaveJournal.h"
#include "tags/TagCore.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

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

}  // namespace

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
