// The tags' code page: the scan of a folder whose tags are double-byte text against the floor, and
// the live switch of a page, which decodes every row's fields again from the bytes already read,
// against a warm scan of the same rows.
//
// The folder (10,000 sparse MP3-sized files with Shift-JIS tags, fields cut at 30 bytes, some
// with a lead byte cut off) is generated under $VELMORA_BENCH_DIR and removed at the end.

#include "BenchFolders.h"
#include "BenchScans.h"
#include "BenchSupport.h"
#include "browser/FolderTree.h"
#include "app/FrmMain.h"
#include "cli/ListCommand.h"
#include "tags/text/Message.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"
#include "tags/codepage/CodePage.h"
#include "tags/files/PatternListing.h"
#include "tags/trailer/BulkTrailerReader.h"
#include "tags/id3v1/Id3v1.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr int Files = 10000;
const char *const words[] = {"東京", "夜明け", "さくら", "ありがとう", "月", "海の見える街", "青い空", "風の歌", "恋"};

QByteArray field(const CodePage &page, int i, int salt, int width)
{
    QString text;
    for (int w = 0; text.size() < 20; ++w)
        text += QString::fromUtf8(words[(i * 7 + salt * 3 + w) % 9]);
    return page.encode(text).left(width).leftJustified(width, ' ');
}

QByteArray shiftJisTrailer(int i)
{
    const CodePage &page = CodePage::byNumber(932);
    QByteArray t("TAG");
    t += field(page, i, 1, 30) + field(page, i, 2, 30) + field(page, i, 3, 30) + "2001" + field(page, i, 4, 30);
    t += char(i % 130);
    return t;
}

QByteArray doubleByteFolder()
{
    static QByteArray folder;
    if (!folder.isEmpty())
        return folder;
    const QByteArray made = BenchFolders::scratchFolder("shift-jis");
    std::fprintf(stderr, "generating %d files in %s\n", Files, made.constData());
    for (int i = 0; i < Files; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/Track %06d.mp3", i);
        if (!BenchFolders::makeSparseFile(made + name, 3'000'000 + (i * 7919) % 4'000'000, shiftJisTrailer(i)))
            return {};
    }
    folder = made;
    return folder;
}

bool folderOrSkip(benchmark::State &state, QByteArray &folder)
{
    folder = doubleByteFolder();
    if (folder.isEmpty())
        state.SkipWithError("the folder could not be made");
    return !folder.isEmpty();
}

void BM_FloorDoubleByte(benchmark::State &state)
{
    QByteArray folder;
    if (!folderOrSkip(state, folder))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(floorScan(folder));
    perFile(state, Files);
}

// The real window, without stored settings, showing the folder (scanned once).
std::unique_ptr<FrmMain> windowOn(const QByteArray &folder)
{
    qputenv("XDG_CONFIG_HOME", BenchFolders::scratchFolder("no-settings"));
    auto window = std::make_unique<FrmMain>();
    window->Form_Load();
    folderTree(*window)->setPath(folder);
    return window;
}

// The window's scan of the folder: the file list re-read and every trailer read into the list.
void BM_FullScanDoubleByte(benchmark::State &state)
{
    QByteArray folder;
    if (!folderOrSkip(state, folder))
        return;
    const std::unique_ptr<FrmMain> window = windowOn(folder);
    for (auto _ : state)
        window->editor().DirOpen_Change();
    if (mp3List(*window)->rowCount() != Files)
        state.SkipWithError("scan incomplete");
    perFile(state, Files);
}

// The raw text fields of every row, as a scan keeps them for a later switch.
std::vector<char> rawFieldsOf(const QByteArray &folder)
{
    std::vector<ListedFile> files;
    listFolderFiles(folder, QStringLiteral("*.mp3"), files);
    std::vector<char> raw;
    raw.reserve(files.size() * 124);
    readFolderTrailers(folder, files, [&](int, const RawTrailer &t) { raw.insert(raw.end(), t.bytes + 3, t.bytes + 127); });
    return raw;
}

// The scan's reading with every field decoded in the page of the second argument: what the list
// does when a page is chosen.
void BM_ReadAndDecode(benchmark::State &state)
{
    QByteArray folder;
    if (!folderOrSkip(state, folder))
        return;
    const CodePage &page = CodePage::byNumber(int(state.range(0)));
    QString text(Files * 124, Qt::Uninitialized);
    for (auto _ : state) {
        std::vector<ListedFile> files;
        listFolderFiles(folder, QStringLiteral("*.mp3"), files);
        qsizetype at = 0;
        readFolderTrailers(folder, files, [&](int, const RawTrailer &t) {
            at += page.decodeInto(t.bytes + 3, 124, text.data() + at % (Files * 124 - 124));
        });
        benchmark::DoNotOptimize(at);
    }
    perFile(state, Files);
}

// A switch of page: the five text fields of 10,000 rows decoded again from memory.
void BM_SwitchPage(benchmark::State &state)
{
    QByteArray folder;
    if (!folderOrSkip(state, folder))
        return;
    const std::vector<char> raw = rawFieldsOf(folder);
    const CodePage &page = CodePage::byNumber(int(state.range(0)));
    using namespace Id3v1;
    const int fields[5][2] = {{TitleOffset, TitleWidth},     {ArtistOffset, ArtistWidth}, {AlbumOffset, AlbumWidth},
                              {YearOffset, YearWidth},       {CommentOffset, CommentWidth}};
    QString text;
    for (auto _ : state) {
        text.resize(qsizetype(raw.size()));
        qsizetype at = 0;
        for (size_t row = 0; row + 124 <= raw.size(); row += 124) {
            for (const auto &f : fields) {
                const char *bytes = raw.data() + row + f[0] - 3;
                at += page.decodeInto(bytes, trimmedLength(bytes, f[1]), text.data() + at);
            }
        }
        text.truncate(at);
        benchmark::DoNotOptimize(text.data());
    }
    perFile(state, Files);
}

// The same switch in the real window: Tags > Code Page decodes the list's 10,000 rows and the
// panel again from the bytes the rows keep, and repaints nothing while offscreen.
void BM_SwitchInWindow(benchmark::State &state)
{
    QByteArray folder;
    if (!folderOrSkip(state, folder))
        return;
    const std::unique_ptr<FrmMain> window = windowOn(folder);
    if (mp3List(*window)->rowCount() != Files)
        state.SkipWithError("scan incomplete");
    // A switch to the page the window already uses does nothing: each round switches there and
    // back to 1252, two switches.
    for (auto _ : state) {
        window->session().chooseCodePage(int(state.range(0)));
        window->session().chooseCodePage(1252);
    }
    perFile(state, 2 * Files);
}

// velmora-cli list of the folder into /dev/null, its text decoded in the page of the argument.
void BM_CliListDoubleByte(benchmark::State &state)
{
    QByteArray folder;
    if (!folderOrSkip(state, folder))
        return;
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    int status = devNull < 0 ? 1 : 0;
    for (auto _ : state) {
        Output out(devNull);
        Console console;
        status |= listFolder({folder, false, &CodePage::byNumber(int(state.range(0)))}, out, console);
    }
    ::close(devNull);
    if (status != 0)
        state.SkipWithError("list failed");
    perFile(state, Files);
}

}  // namespace

BENCHMARK(BM_FloorDoubleByte)->Apply([](auto *b) { timed(b); });
BENCHMARK(BM_FullScanDoubleByte)->Apply([](auto *b) { timed(b); });
BENCHMARK(BM_ReadAndDecode)->Apply([](auto *b) { timed(b->Arg(1252)->Arg(932)); });
BENCHMARK(BM_CliListDoubleByte)->Apply([](auto *b) { timed(b->Arg(1252)->Arg(932)); });
BENCHMARK(BM_SwitchPage)->Apply([](auto *b) { timed(b->Arg(1251)->Arg(932)->Arg(950), 20); });
BENCHMARK(BM_SwitchInWindow)->Apply([](auto *b) { timed(b->Arg(1251)->Arg(932)->Arg(950), 20); });

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BenchFolders::prepare();
    QApplication app(argc, argv);
    Message::setHandler([](const QString &text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BenchFolders::removeAll();
    return 0;
}
