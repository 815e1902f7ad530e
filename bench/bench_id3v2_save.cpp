// Saves that write the ID3v2 tag too. One file, journal on, as Save Tags saves it: the trailer
// alone, against the trailer and the ID3v2 tag written into its padding (the goal: at most 1.3x).
// And a job of 1,000 files whose tags have no padding, so that every file is written anew and
// renamed over the old: its time, and the most disk space it took beyond the files at any moment
// (free blocks sampled every 200 microseconds; one file's worth is the goal, not the folder's).

#include "BenchFolders.h"
#include "BenchScans.h"
#include "BenchSupport.h"

#include "tags/codepage/CodePage.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/journal/SaveJournal.h"
#include "tags/trailer/TagCore.h"

#include <benchmark/benchmark.h>

#include <QFile>

#include <atomic>
#include <thread>

#include <sys/statvfs.h>

namespace {

// Four bytes, most significant first, of bits each.
QByteArray sizeBytes(qsizetype value, int bits)
{
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i, value >>= bits)
        out[i] = char(value & ((1 << bits) - 1));
    return out;
}

QByteArray frame(const char *id, const QByteArray &contents)
{
    return id + sizeBytes(contents.size(), 8) + QByteArray(2, '\0') + contents;
}

// An ID3v2.3 tag as taggers leave it: title, artist, album, a cover (20 KB unless said), then padding.
QByteArray tagWith(int padding, int cover = 20000)
{
    const QByteArray picture = QByteArray("\0image/jpeg\0\3\0", 14) + QByteArray(cover, char(0xAB));
    const QByteArray body = frame("TIT2", QByteArray("\0Walk", 5)) + frame("TPE1", QByteArray("\0Red Kettle", 11))
        + frame("TALB", QByteArray("\0Morning", 8)) + frame("APIC", picture) + QByteArray(padding, '\0');
    return QByteArray("ID3\x03\x00\x00", 6) + sizeBytes(body.size(), 7) + body;
}

QByteArray trailerOf(const QByteArray &title)
{
    Id3v1::Fields fields;
    fields.title = title;
    fields.artist = "Red Kettle";
    fields.album = "Morning";
    fields.genre = 17;
    return Id3v1::build(fields);
}

bool writeBytes(const QByteArray &path, const QByteArray &bytes)
{
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

TagSave saveOf(const QByteArray &path, const QByteArray &title, bool id3v2)
{
    const TagReading reading = readTagFile(path);
    Id3v1::Fields fields = reading.fields;
    fields.title = title;
    TagSave save = saveOverReading(path, reading, fields);
    if (id3v2) {
        save.id3v2Fields = AllId3v2Fields;
        save.page = &CodePage::byNumber(1252);
    }
    return save;
}

// Save Tags of one 4 MB file, the title alternating so that every pass writes; its ID3v2 tag
// with a cover of the second argument's bytes.
void BM_SaveTags(benchmark::State &state)
{
    const bool id3v2 = state.range(0) != 0;
    const int cover = int(state.range(1));
    const QByteArray folder = BenchFolders::scratchFolder(id3v2 ? "save-v2" : "save-trailer");
    const QByteArray path = folder + "/song.mp3";
    if (!writeBytes(path, tagWith(4096, cover) + QByteArray(4 * 1024 * 1024, 'a') + trailerOf("Walk"))) {
        state.SkipWithError("the file cannot be written");
        return;
    }
    SaveJournal journal(BenchFolders::scratchFolder(id3v2 ? "save-v2-journal" : "save-trailer-journal"));
    int pass = 0;
    for (auto _ : state) {
        TagSave save = saveOf(path, pass++ % 2 ? "Evening Walk" : "Morning Walk", id3v2);
        save.journal = &journal;
        if (!saveTagFile(save).status) {
            state.SkipWithError("the save failed");
            return;
        }
    }
    noteLoad(state);
}

// The lowest number of free bytes seen while it lives, sampled on a thread of its own.
class FreeSpaceWatch {
public:
    explicit FreeSpaceWatch(const QByteArray &folder) : m_folder(folder), m_lowest(freeBytes()), m_start(m_lowest.load())
    {
        m_thread = std::thread([this] {
            while (!m_stop) {
                m_lowest = std::min(m_lowest.load(), freeBytes());
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    ~FreeSpaceWatch() { stop(); }
    qint64 stop()
    {
        if (m_thread.joinable()) {
            m_stop = true;
            m_thread.join();
        }
        return m_start - m_lowest;
    }

private:
    qint64 freeBytes() const
    {
        struct statvfs fs;
        return ::statvfs(m_folder.constData(), &fs) == 0 ? qint64(fs.f_bavail) * qint64(fs.f_frsize) : 0;
    }
    QByteArray m_folder;
    std::atomic<qint64> m_lowest;
    qint64 m_start;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A job over 1,000 files of 1 MB whose tags have no padding: every file written anew; journalled
// when the second argument is 1 (the journal then grows by the old and new tag of each file).
void BM_JobOfRewrites(benchmark::State &state)
{
    const int files = int(state.range(0));
    const bool journalled = state.range(1) != 0;
    const QByteArray folder = BenchFolders::scratchFolder("rewrites");
    const QByteArray audio(1024 * 1024, 'a');
    const QByteArray head = tagWith(0);
    SaveJournal journal(BenchFolders::scratchFolder("rewrites-journal"));
    qint64 mostExtra = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<TagSave> saves;
        for (int i = 0; i < files; ++i) {
            const QByteArray path = folder + "/song" + QByteArray::number(i) + ".mp3";
            if (!writeBytes(path, head + audio + trailerOf("Walk"))) {
                state.SkipWithError("the files cannot be written");
                return;
            }
            saves.push_back(saveOf(path, "A Much Longer Title Than Walk", true));
        }
        ::sync();
        TagSaves options;
        options.journal = journalled ? &journal : nullptr;
        state.ResumeTiming();
        FreeSpaceWatch watch(folder);
        const std::vector<TagSaveResult> results = saveTagFiles(saves, options);
        mostExtra = std::max(mostExtra, watch.stop());
        for (const TagSaveResult &result : results)
            if (!result.status) {
                state.SkipWithError("a save failed");
                return;
            }
    }
    state.counters["peak_extra_MB"] = double(mostExtra) / (1024 * 1024);
    state.counters["file_MB"] = double(head.size() + audio.size() + 128) / (1024 * 1024);
    perFile(state, files);
}

}  // namespace

BENCHMARK(BM_SaveTags)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 20000})
    ->ArgNames({"id3v2", "cover"})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0);
BENCHMARK(BM_JobOfRewrites)->Args({1000, 0})->Args({1000, 1})->ArgNames({"files", "journal"})->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char **argv) { return runBenchmarks(argc, argv); }
