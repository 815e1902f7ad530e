// Reading a folder on a slow share: the generated folder of 10,000 MP3 files seen through
// velmora-slowfs, which answers every request of the kernel (lookup, getattr, open, read, release,
// readdir and the rest) after 1 or 5 ms, as a NAS across a network does, many at once; the
// requests of the timed passes are counted by kind (counters rq_*, per file and pass). Against the
// floor on the same mount (one file after another), the folder reader, the scan into the list and
// a Save Tags there. Each benchmark mounts the share anew and unmounts it at its end; without FUSE
// they are skipped with the reason.

#include "BenchScans.h"
#include "BenchSupport.h"
#include "SlowShare.h"
#include "browser/FolderTree.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"

#include <benchmark/benchmark.h>


namespace {

// The generated folder of range(0) files mounted with range(1) ms per request; null, the benchmark
// skipped with the reason, when either cannot be had.
std::unique_ptr<SlowShare> shareFor(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return nullptr;
    auto share = std::make_unique<SlowShare>(folder, int(state.range(1)) * 1000);
    if (share->mounted())
        return share;
    state.SkipWithError(qPrintable(share->error()));
    return nullptr;
}

// The requests of the timed passes, per file and pass, one counter for each kind seen.
void requestsPerFile(benchmark::State &state, SlowShare &share, const QMap<QByteArray, double> &before)
{
    const QMap<QByteArray, double> after = share.requests();
    const double files = double(state.range(0)) * double(state.iterations());
    for (auto kind = after.cbegin(); kind != after.cend(); ++kind) {
        const double count = kind.value() - before.value(kind.key());
        if (count > 0)
            state.counters["rq_" + kind.key().toStdString()] = count / files;
    }
}

// A window scanning the share: the folder chosen in the folder list (a first scan, not timed).
std::unique_ptr<FrmMain> windowOn(const SlowShare &share)
{
    std::unique_ptr<FrmMain> window = loadedWindow();
    folderTree(*window)->setPath(share.path());
    return window;
}

void BM_ShareFloor(benchmark::State &state)
{
    const std::unique_ptr<SlowShare> share = shareFor(state);
    if (!share)
        return;
    const QMap<QByteArray, double> before = share->requests();
    for (auto _ : state)
        benchmark::DoNotOptimize(floorScan(share->path()));
    requestsPerFile(state, *share, before);
    perFile(state, int(state.range(0)));
}

void BM_ShareReadTrailers(benchmark::State &state)
{
    const std::unique_ptr<SlowShare> share = shareFor(state);
    if (!share)
        return;
    std::vector<ListedFile> files;
    int tagged = 0;
    const QMap<QByteArray, double> before = share->requests();
    for (auto _ : state) {
        listFolderFiles(share->path(), QStringLiteral("*.mp3"), files);
        tagged = readTrailers(share->path(), files, int(state.range(2)));
    }
    requestsPerFile(state, *share, before);
    if (tagged != int(state.range(0)) * 9 / 10)
        state.SkipWithError("trailers missing");
    perFile(state, int(state.range(0)));
}

void BM_ShareFullScan(benchmark::State &state)
{
    const std::unique_ptr<SlowShare> share = shareFor(state);
    if (!share)
        return;
    const std::unique_ptr<FrmMain> window = windowOn(*share);
    const QMap<QByteArray, double> before = share->requests();
    for (auto _ : state)
        window->editor().DirOpen_Change();
    requestsPerFile(state, *share, before);
    if (mp3List(*window)->rowCount() != state.range(0) || messageCount() != 0)
        state.SkipWithError("scan incomplete");
    perFile(state, int(state.range(0)));
}

// One Save Tags of a file in the middle of the folder, with a rename when range(2) is 1; the save
// writes the trailer through the share and reads the folder again.
void BM_ShareSave(benchmark::State &state)
{
    const std::unique_ptr<SlowShare> share = shareFor(state);
    if (!share)
        return;
    savePasses(state, *windowOn(*share), int(state.range(0)), state.range(2) != 0);
}

}  // namespace

// The serial floor at 5 ms is about three requests of 5 ms for each of 10,000 files: one pass.
BENCHMARK(BM_ShareFloor)->Apply([](auto *b) { timed(b->Args({10000, 1})->Args({10000, 5}), 1); });
BENCHMARK(BM_ShareReadTrailers)->Apply([](auto *b) { timed(b->ArgsProduct({{10000}, {1, 5}, {1, 2}}), 3); });
BENCHMARK(BM_ShareFullScan)->Apply([](auto *b) { timed(b->ArgsProduct({{10000}, {1, 5}}), 3); });
BENCHMARK(BM_ShareSave)->Apply([](auto *b) { timed(b->ArgsProduct({{10000}, {1, 5}, {0, 1}}), 3); });

int main(int argc, char **argv) { return runBenchmarks(argc, argv); }
