#pragma once
// What the benchmarks share besides their folders: the floor, clocks, per-file figures with the
// machine's load beside them, and passes with a cold cache.

#include <benchmark/benchmark.h>

#include <QByteArray>

#include <functional>

// Only what the file system must do for a scan, one file after another: list the folder, then
// open, fstat, pread the last 128 bytes and close each ".mp3" file. Returns how many are tagged.
// With readHead, the first ten bytes are read too before the trailer (one pread more), as the
// scan does to note an ID3v2 tag.
int floorScan(const QByteArray &folder, bool readHead = false);

// Wall and processor time (of all threads) in nanoseconds.
struct Stamp {
    double wall, cpu;
    static Stamp now();
};

long maxRssKiB();

// The machine's load average over the last minute, noted beside every figure: the machine may be
// shared, and wall times mean little without it.
void noteLoad(benchmark::State &state);

// Wall time per file (printed with an SI prefix, u = microseconds), and the load.
void perFile(benchmark::State &state, int files);

// The generated folder of the benchmark's first argument; false (the benchmark skipped) when it
// cannot be made.
bool folderFor(benchmark::State &state, QByteArray &folder, bool withId3v2 = false);

// Milliseconds; wall time per iteration and per file; the processor time of every thread.
benchmark::internal::Benchmark *timed(benchmark::internal::Benchmark *b, int iterations = 5);

// Cold passes: the cache is dropped before each, then a small other folder is read so that the
// program's own code is paged in again and only the folder measured comes from the device.
class ColdCache {
public:
    // Skips the benchmark, saying why, when the cache cannot be dropped.
    explicit ColdCache(benchmark::State &state);
    bool ok() const { return m_ok; }
    QByteArray warmUpFolder() const { return m_warmUp; }
    // Untimed: drops the cache, then runs pageInCode (which reads the warm-up folder).
    void dropBeforePass(const std::function<void()> &pageInCode);

private:
    benchmark::State &m_state;
    QByteArray m_warmUp;
    bool m_ok = false;
};
