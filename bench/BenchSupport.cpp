#include "BenchSupport.h"

#include "BenchFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

int floorScan(const QByteArray &folder, bool readHead)
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
    char trailer[128], head[10];
    for (const QByteArray &name : names) {
        path.truncate(prefix);
        path += name;
        const int fd = ::open(path.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        const bool stated = ::fstat(fd, &st) == 0;
        if (stated && readHead && st.st_size >= 10)
            benchmark::DoNotOptimize(::pread(fd, head, sizeof head, 0));
        if (stated && st.st_size >= 128 &&
            ::pread(fd, trailer, sizeof trailer, st.st_size - 128) == 128 && std::memcmp(trailer, "TAG", 3) == 0)
            ++tagged;
        ::close(fd);
    }
    return tagged;
}

Stamp Stamp::now()
{
    timespec w, c;
    ::clock_gettime(CLOCK_MONOTONIC, &w);
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c);
    return {w.tv_sec * 1e9 + double(w.tv_nsec), c.tv_sec * 1e9 + double(c.tv_nsec)};
}

long maxRssKiB()
{
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void noteLoad(benchmark::State &state)
{
    double load[1];
    if (::getloadavg(load, 1) == 1)
        state.counters["load"] = load[0];
}

void perFile(benchmark::State &state, int files)
{
    noteLoad(state);
    state.counters["per_file"] = benchmark::Counter(double(files) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

bool folderFor(benchmark::State &state, QByteArray &folder, bool withId3v2)
{
    folder = BenchFolders::folderOf(int(state.range(0)), withId3v2);
    if (folder.isEmpty())
        state.SkipWithError("the files could not be generated");
    return !folder.isEmpty();
}

benchmark::internal::Benchmark *timed(benchmark::internal::Benchmark *b, int iterations)
{
    return b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(iterations);
}

ColdCache::ColdCache(benchmark::State &state) : m_state(state)
{
    m_warmUp = BenchFolders::folderOf(50);
    const QString why = BenchFolders::dropCaches();
    if (!why.isEmpty())
        state.SkipWithError(qPrintable(why));
    m_ok = why.isEmpty() && !m_warmUp.isEmpty();
}

void ColdCache::dropBeforePass(const std::function<void()> &pageInCode)
{
    m_state.PauseTiming();
    BenchFolders::dropCaches();
    pageInCode();
    m_state.ResumeTiming();
}
