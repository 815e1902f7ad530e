// How long reading a folder of MP3 files takes, against the floor of what the file system itself
// needs: list the folder, then open, read the last 128 bytes of and close each file.
//
// Generates folders of 1,000, 10,000 and 100,000 sparse MP3-sized files (90% tagged, plus a few
// other files) under $VELMORA_BENCH_DIR (default: the temporary folder) and removes them at the end.

#include "FileList.h"
#include "FolderList.h"
#include "FrmMain.h"
#include "ListCommand.h"
#include "Message.h"
#include "Mp3List.h"
#include "TagEditor.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

namespace {

QByteArray g_root;
std::map<int, QByteArray> g_folders;  // file count -> folder
int g_messages = 0;

QByteArray trailerFor(int i)
{
    QByteArray t("TAG");
    auto field = [&](const QByteArray &text, int width) { t += text.left(width).leftJustified(width, ' '); };
    field("Title number " + QByteArray::number(i), 30);
    field("Artist " + QByteArray::number(i % 97), 30);
    field("Album " + QByteArray::number(i % 13), 30);
    field(QByteArray::number(1960 + i % 60), 4);
    field("generated", 30);
    t += char(i % 130);
    return t;
}

bool generate(const QByteArray &folder, int count)
{
    if (::mkdir(folder.constData(), 0755) != 0)
        return false;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/Track %06d - Generated Song.mp3", i);
        const QByteArray path = folder + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const off_t size = 3'000'000 + (i * 7919) % 4'000'000;  // 3 to 7 MB, as songs are
        bool ok = ::ftruncate(fd, size) == 0;
        if (ok && i % 10 != 0) {
            const QByteArray t = trailerFor(i);
            ok = ::pwrite(fd, t.constData(), t.size(), size - t.size()) == t.size();
        }
        ::close(fd);
        if (!ok)
            return false;
    }
    for (const char *other : {"/cover.jpg", "/playlist.m3u", "/notes.txt", "/folder.ini"})
    {
        const int fd = ::open((folder + other).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::ftruncate(fd, 2048) != 0)
            return false;
        ::close(fd);
    }
    return true;
}

// Only what the file system must do for a scan.
int floorScan(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return -1;
    std::vector<QByteArray> names;
    while (const dirent *entry = ::readdir(dir)) {
        const size_t length = std::strlen(entry->d_name);
        if (length > 4 && ::strcasecmp(entry->d_name + length - 4, ".mp3") == 0)
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    int tagged = 0;
    QByteArray path = folder + '/';
    const qsizetype prefix = path.size();
    char trailer[128];
    for (const QByteArray &name : names) {
        path.truncate(prefix);
        path += name;
        const int fd = ::open(path.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && st.st_size >= 128 &&
            ::pread(fd, trailer, sizeof trailer, st.st_size - 128) == 128 && std::memcmp(trailer, "TAG", 3) == 0)
            ++tagged;
        ::close(fd);
    }
    return tagged;
}

long maxRssKiB()
{
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void perFile(benchmark::State &state, int files)
{
    // Seconds per file, printed with an SI prefix (u = microseconds).
    state.counters["per_file"] = benchmark::Counter(double(files) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Floor(benchmark::State &state)
{
    const int files = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(floorScan(g_folders[files]));
    perFile(state, files);
}

void BM_FileListRefresh(benchmark::State &state)
{
    const int files = int(state.range(0));
    FileList list;
    list.setPath(g_folders[files]);
    list.setPattern(QStringLiteral("*.mp3"));
    for (auto _ : state) {
        if (!list.refresh().ok())
            state.SkipWithError("refresh failed");
    }
    if (list.count() != files)
        state.SkipWithError("wrong count");
    perFile(state, files);
}

// The scan the folder list's change runs: the file list re-read and every trailer read into lv1.
void BM_FullScan(benchmark::State &state)
{
    const int files = int(state.range(0));
    FrmMain window;
    window.Form_Load();
    window.show();
    window.DirOpen->setPath(g_folders[files]);
    for (auto _ : state)
        window.editor().DirOpen_Change();
    if (window.lv1->rowCount() != files || g_messages != 0)
        state.SkipWithError("scan incomplete");
    perFile(state, files);
    state.counters["max_rss_MiB"] = double(maxRssKiB()) / 1024.0;
}

// Opening the folder as the user does: the folder list lists it as well.
void BM_OpenFolder(benchmark::State &state)
{
    const int files = int(state.range(0));
    FrmMain window;
    window.Form_Load();
    window.show();
    for (auto _ : state) {
        window.DirOpen->setPath(g_root);
        window.DirOpen->setPath(g_folders[files]);
    }
    if (window.lv1->rowCount() != files)
        state.SkipWithError("scan incomplete");
    perFile(state, files);
}

// One Save Tags of a file in the middle of the folder, with or without renaming it.
void BM_Save(benchmark::State &state)
{
    const int files = int(state.range(0));
    const bool rename = state.range(1) != 0;
    FrmMain window;
    window.Form_Load();
    window.show();
    window.DirOpen->setPath(g_folders[files]);
    const QString names[2] = {QStringLiteral("Track 005000 - Renamed A.mp3"), QStringLiteral("Track 005000 - Renamed B.mp3")};
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        int row = files / 2;
        window.lv1->selectRow(row);
        window.TxtDispTag[0]->setText(QStringLiteral("Saved %1").arg(round));
        if (rename) {
            window.ChkRenFile->setChecked(true);
            window.TxtNewFilename->setText(names[round % 2]);
        }
        ++round;
        state.ResumeTiming();
        window.editor().CmdSave_Click();
    }
    if (window.lv1->rowCount() != files || g_messages != 0)
        state.SkipWithError("save failed");
    perFile(state, files);
}

}  // namespace

BENCHMARK(BM_Floor)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FileListRefresh)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FullScan)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenFolder)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Save)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond)->Iterations(6);

// ---- velmora-cli list ----

// The list command of velmora-cli, its text written to /dev/null: the folder listed, each file
// read once through the tags core, every row formatted.
namespace {
void BM_CliList(benchmark::State &state)
{
    const int files = int(state.range(0));
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    int status = devNull < 0 ? 1 : 0;
    for (auto _ : state) {
        Output out(devNull);
        Console console;
        status |= listFolder({g_folders[files], false}, out, console);
    }
    ::close(devNull);
    if (status != 0)
        state.SkipWithError("list failed");
    perFile(state, files);
}
}  // namespace

BENCHMARK(BM_CliList)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(5);

// ---- end of velmora-cli list ----

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Message::setHandler([](const QString &text) {
        ++g_messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    const QByteArray base = qEnvironmentVariableIsEmpty("VELMORA_BENCH_DIR")
                                ? QFile::encodeName(QDir::tempPath())
                                : qgetenv("VELMORA_BENCH_DIR");
    QByteArray root = base + "/velmora-bench-XXXXXX";
    if (!::mkdtemp(root.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    g_root = root;
    for (int count : {1000, 10000, 100000}) {
        const QByteArray folder = root + "/files" + QByteArray::number(count);
        if (!generate(folder, count)) {
            std::perror("generating the folders");
            return 1;
        }
        g_folders[count] = folder;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code error;
    std::filesystem::remove_all(root.toStdString(), error);
    std::fprintf(stderr, "max RSS %ld KiB\n", maxRssKiB());
    return 0;
}
