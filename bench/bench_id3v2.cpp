// How long the ID3v2 reader takes on the worst tags it reads: 4 MiB, the most it reads, of what
// made the tag library slow (a genre frame of many values, quadratic there) or makes the reader
// work on every frame (many comments, each decoded). Each file is read whole by Id3v2::readFile,
// as the command line's JSON listing and the window's click do. Issue 25, fault 4: before the
// frames were cut, 230 KB of genres took 10.8 s.

#include "BenchFolders.h"
#include "BenchSupport.h"

#include "tags/id3v2/Id3v2Reader.h"
#include "tags/trailer/TagCore.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>

namespace {

QByteArray bigEndian(qint64 value, int bytes, bool syncSafe)
{
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i, value >>= syncSafe ? 7 : 8)
        out[i] = char(value & (syncSafe ? 0x7F : 0xFF));
    return out;
}

QByteArray frame(int major, const char *id, const QByteArray &contents)
{
    return id + bigEndian(contents.size(), 4, major == 4) + QByteArray(2, '\0') + contents;
}

// Shapes: 0 one v2.4 genre frame of distinct values; 1 one v2.3 genre frame of "(N)" references;
// 2 v2.4 comment frames of 40 bytes with a description each (none is the one shown), then a title;
// 3 a v2.3 tag unsynchronised as a whole, its one title frame of 0xFF bytes.
QByteArray worstTag(int shape)
{
    const qint64 room = Id3v2::MaxTagBytes - 10 - 16;
    const int major = shape == 0 || shape == 2 ? 4 : 3;
    QByteArray body;
    if (shape == 0 || shape == 1) {
        QByteArray genres(1, '\0');
        for (int i = 0; genres.size() < room - 10; ++i)
            genres += shape == 0 ? QByteArray::number(100000 + i) + '\0' : '(' + QByteArray::number(i % 192) + ')';
        body = frame(major, "TCON", genres);
    } else if (shape == 2) {
        const QByteArray comment = frame(major, "COMM", QByteArray("\0eng", 4) + "description " + QByteArray(16, 'c') + '\0' + "text");
        while (body.size() + comment.size() < room - 20)
            body += comment;
        body += frame(major, "TIT2", QByteArray("\0Title", 6));
    } else {
        body = frame(major, "TIT2", QByteArray(1, '\0') + QByteArray(int(room / 2) - 12, '\xFF'));
        body.replace(QByteArray(1, char(0xFF)), QByteArray("\xFF\x00", 2));
    }
    const char flags = shape == 3 ? char(0x80) : '\0';
    return "ID3" + QByteArray(1, char(major)) + '\0' + flags + bigEndian(body.size(), 4, true) + body;
}

void BM_Id3v2WorstTag(benchmark::State &state)
{
    const QByteArray folder = BenchFolders::scratchFolder("id3v2");
    const QByteArray path = folder + "/worst.mp3";
    const QByteArray tag = worstTag(int(state.range(0)));
    QFile file(QString::fromLocal8Bit(path));
    if (folder.isEmpty() || tag.size() > Id3v2::MaxTagBytes || !file.open(QIODevice::WriteOnly)
        || file.write(tag + QByteArray(4096, '\x55')) < 0) {
        state.SkipWithError("the file could not be written");
        return;
    }
    file.close();
    Id3v2Reading reading;
    for (auto _ : state) {
        reading = Id3v2::readFile(path);
        benchmark::DoNotOptimize(reading);
    }
    if (!reading.present || !reading.problem.isEmpty())
        state.SkipWithError("the tag was not read");
    state.counters["tag_MiB"] = double(tag.size()) / (1 << 20);
    state.counters["MiB_per_s"] = benchmark::Counter(double(tag.size()) / (1 << 20), benchmark::Counter::kIsIterationInvariantRate);
    noteLoad(state);
}

}  // namespace

BENCHMARK(BM_Id3v2WorstTag)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(0.5);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BenchFolders::prepare();
    QCoreApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BenchFolders::removeAll();
    return 0;
}
