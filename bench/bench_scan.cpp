// How long reading a folder of MP3 files takes, against the floor of what the file system itself
// needs: list the folder, then open, read the last 128 bytes of and close each file. Warm (the
// files in the page cache) and cold (the cache dropped before each pass), and the start of the
// program up to a painted list.
//
// The folders (1,000, 10,000 and 100,000 sparse MP3-sized files, 90% tagged, plus a few other
// files) are generated under $VELMORA_BENCH_DIR (default: the temporary folder) for the selected
// benchmarks only, and removed at the end or on an interrupt.

#include "BenchFolders.h"
#include "BenchScans.h"
#include "BenchSupport.h"
#include "browser/Mp3Files.h"
#include "browser/FolderTree.h"
#include "cli/ListCommand.h"
#include "browser/Mp3List.h"
#include "tags/settings/SettingsStore.h"
#include "browser/TagEditor.h"
#include "tags/trailer/BulkTrailerReader.h"
#include "app/FrmMain.h"
#include "tags/text/Message.h"
#include "tags/files/PatternListing.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace {

void floorBenchmark(benchmark::State &state, bool cold, bool withId3v2 = false, bool readHead = false)
{
    QByteArray folder;
    if (!folderFor(state, folder, withId3v2))
        return;
    std::unique_ptr<ColdCache> cache = cold ? std::make_unique<ColdCache>(state) : nullptr;
    if (cache && !cache->ok())
        return;
    for (auto _ : state) {
        if (cache)
            cache->dropBeforePass([&] { floorScan(cache->warmUpFolder(), readHead); });
        benchmark::DoNotOptimize(floorScan(folder, readHead));
    }
    perFile(state, int(state.range(0)));
}

void BM_Floor(benchmark::State &state) { floorBenchmark(state, false); }
void BM_FloorCold(benchmark::State &state) { floorBenchmark(state, true); }
void BM_FloorId3v2(benchmark::State &state) { floorBenchmark(state, false, true); }
// The floor that also reads each file's first ten bytes, as the scan does for its ID3v2 note: the
// floor of BM_FullScanId3v2 (range(1) = 1: the folder whose files begin with a tag; 0: the plain one).
void BM_FloorHead(benchmark::State &state) { floorBenchmark(state, false, state.range(1) != 0, true); }

void BM_FileListRefresh(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return;
    Mp3Files list;
    list.setPath(folder);
    list.setPattern(mp3Pattern());
    for (auto _ : state) {
        if (!list.refresh().ok())
            state.SkipWithError("refresh failed");
    }
    if (list.count() != state.range(0))
        state.SkipWithError("wrong count");
    perFile(state, int(state.range(0)));
}

void readTrailersBenchmark(benchmark::State &state, bool cold)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return;
    const int readAhead = int(state.range(1));
    std::vector<ListedFile> files;
    std::unique_ptr<ColdCache> cache = cold ? std::make_unique<ColdCache>(state) : nullptr;
    if (cache && !cache->ok())
        return;
    for (auto _ : state) {
        if (cache)
            cache->dropBeforePass([&] {
                std::vector<ListedFile> few;
                listFolderFiles(cache->warmUpFolder(), mp3Pattern(), few);
                readTrailers(cache->warmUpFolder(), few, readAhead);
            });
        listFolderFiles(folder, mp3Pattern(), files);
        benchmark::DoNotOptimize(readTrailers(folder, files, readAhead));
    }
    perFile(state, int(state.range(0)));
}

void BM_ReadTrailers(benchmark::State &state) { readTrailersBenchmark(state, false); }
void BM_ReadTrailersCold(benchmark::State &state) { readTrailersBenchmark(state, true); }

// The scan the folder list's change runs: the file list re-read and every trailer read into lv1.
void fullScanBenchmark(benchmark::State &state, bool cold, bool withId3v2 = false)
{
    QByteArray folder;
    if (!folderFor(state, folder, withId3v2))
        return;
    const int files = int(state.range(0));
    std::unique_ptr<ColdCache> cache = cold ? std::make_unique<ColdCache>(state) : nullptr;
    if (cache && !cache->ok())
        return;
    std::unique_ptr<FrmMain> window = loadedWindow();
    folderTree(*window)->setPath(folder);
    // Cold, a second window scans the small folder after each drop.
    std::unique_ptr<FrmMain> warmUp = cache ? loadedWindow() : nullptr;
    if (warmUp)
        folderTree(*warmUp)->setPath(cache->warmUpFolder());
    for (auto _ : state) {
        if (cache)
            cache->dropBeforePass([&] { warmUp->editor().DirOpen_Change(); });
        window->editor().DirOpen_Change();
    }
    if (mp3List(*window)->rowCount() != files || messageCount() != 0)
        state.SkipWithError("scan incomplete");
    perFile(state, files);
    state.counters["max_rss_MiB"] = double(maxRssKiB()) / 1024.0;
}

void BM_FullScan(benchmark::State &state) { fullScanBenchmark(state, false); }
void BM_FullScanCold(benchmark::State &state) { fullScanBenchmark(state, true); }
// Every file begins with an ID3v2 tag, which the scan notes from the file's first ten bytes.
void BM_FullScanId3v2(benchmark::State &state) { fullScanBenchmark(state, false, true); }

// Opening the folder as the user does: the folder list lists it as well.
void BM_OpenFolder(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return;
    std::unique_ptr<FrmMain> window = loadedWindow();
    const QByteArray parent = folder.left(folder.lastIndexOf('/'));
    for (auto _ : state) {
        folderTree(*window)->setPath(parent);
        folderTree(*window)->setPath(folder);
    }
    if (mp3List(*window)->rowCount() != state.range(0))
        state.SkipWithError("scan incomplete");
    perFile(state, int(state.range(0)));
}

// One Save Tags of a file in the middle of the folder, with or without renaming it.
void BM_Save(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return;
    std::unique_ptr<FrmMain> window = loadedWindow();
    folderTree(*window)->setPath(folder);
    savePasses(state, *window, int(state.range(0)), state.range(1) != 0);
}

// What the user waits for: from the main window's construction, with a folder stored in the
// settings, to its first paint with the list filled (the splash before it not counted).
void BM_StartUp(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return;
    const QByteArray settings = BenchFolders::scratchFolder("settings");
    qputenv("XDG_CONFIG_HOME", settings);
    if (settings.isEmpty() || !SettingsStore::writeBytes(QStringLiteral("Quorrel"), QStringLiteral("Startup"),
                                                         QStringLiteral("Path"), folder)) {
        state.SkipWithError("the settings could not be stored");
        return;
    }
    // Wall and processor time of the three steps; the processor time counts every thread.
    double wall[3] = {}, cpu[3] = {};
    double firstWall = -1, firstCpu = -1;  // the first window of the process loads fonts and styles
    for (auto _ : state) {
        const Stamp start = Stamp::now();
        auto window = std::make_unique<FrmMain>();
        const Stamp built = Stamp::now();
        window->Form_Load();
        const Stamp loaded = Stamp::now();
        window->show();
        QCoreApplication::processEvents();  // the expose and the first paint
        const Stamp shown = Stamp::now();
        state.PauseTiming();
        const Stamp steps[4] = {start, built, loaded, shown};
        if (firstWall < 0) {
            firstWall = shown.wall - start.wall;
            firstCpu = shown.cpu - start.cpu;
        }
        for (int i = 0; i < 3; ++i) {
            wall[i] += steps[i + 1].wall - steps[i].wall;
            cpu[i] += steps[i + 1].cpu - steps[i].cpu;
        }
        if (mp3List(*window)->rowCount() != state.range(0) || messageCount() != 0)
            state.SkipWithError("the list was not filled");
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    const double n = double(state.iterations()) * 1e6;
    const char *names[3] = {"construct", "load", "paint"};
    for (int i = 0; i < 3; ++i) {
        state.counters[std::string(names[i]) + "_ms"] = wall[i] / n;
        state.counters[std::string(names[i]) + "_cpu_ms"] = cpu[i] / n;
    }
    noteLoad(state);
    state.counters["first_ms"] = firstWall / 1e6;
    state.counters["first_cpu_ms"] = firstCpu / 1e6;
}

}  // namespace

BENCHMARK(BM_Floor)->Apply([](auto *b) { timed(b->Arg(1000)->Arg(10000)->Arg(100000)); });
BENCHMARK(BM_FileListRefresh)->Apply([](auto *b) { timed(b->Arg(1000)->Arg(10000)->Arg(100000)); });
BENCHMARK(BM_ReadTrailers)->Apply([](auto *b) { timed(b->ArgsProduct({{1000, 10000, 100000}, {0, 1, 2}})); });
BENCHMARK(BM_FullScan)->Apply([](auto *b) { timed(b->Arg(1000)->Arg(10000)->Arg(100000)); });
BENCHMARK(BM_FloorId3v2)->Apply([](auto *b) { timed(b->Arg(1000)->Arg(10000)->Arg(100000)); });
BENCHMARK(BM_FloorHead)->Apply([](auto *b) { timed(b->ArgsProduct({{1000, 10000, 100000}, {0, 1}})); });
BENCHMARK(BM_FullScanId3v2)->Apply([](auto *b) { timed(b->Arg(1000)->Arg(10000)->Arg(100000)); });
BENCHMARK(BM_OpenFolder)->Apply([](auto *b) { timed(b->Arg(10000)); });
BENCHMARK(BM_Save)->Apply([](auto *b) { timed(b->Args({10000, 0})->Args({10000, 1}), 6); });
BENCHMARK(BM_StartUp)->Apply([](auto *b) { timed(b->Arg(10000)); });
// Each cold pass first writes back and drops the whole page cache of the machine.
BENCHMARK(BM_FloorCold)->Apply([](auto *b) { timed(b->Arg(10000), 3); });
BENCHMARK(BM_ReadTrailersCold)->Apply([](auto *b) { timed(b->ArgsProduct({{10000}, {0, 1, 2}}), 3); });
BENCHMARK(BM_FullScanCold)->Apply([](auto *b) { timed(b->Arg(10000), 3); });

// ---- velmora-cli list ----

// The list command of velmora-cli, its text written to /dev/null: the folder listed, each file
// read once through the tags core, every row formatted. Arguments: the files, whether they begin
// with an ID3v2 tag, and whether the listing is JSON (which reads the ID3v2 tags too).
namespace {
void BM_CliList(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder, state.range(1) != 0))
        return;
    const int files = int(state.range(0));
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    int status = devNull < 0 ? 1 : 0;
    for (auto _ : state) {
        Output out(devNull);
        Console console;
        status |= listFolder({folder, state.range(2) != 0}, out, console);
    }
    ::close(devNull);
    if (status != 0)
        state.SkipWithError("list failed");
    perFile(state, files);
}
}  // namespace

BENCHMARK(BM_CliList)->Apply([](auto *b) { timed(b->Args({10000, 0, 0})->Args({10000, 1, 0})->Args({10000, 1, 1})); });

// ---- end of velmora-cli list ----

int main(int argc, char **argv) { return runBenchmarks(argc, argv); }
