#include "tags/trailer/BulkTrailerReader.h"

#include "tags/files/RegularFile.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <memory>
#include <sched.h>
#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Batch = 8;         // files claimed at once: few atomic operations, reads spread out
constexpr int Window = 1024;     // results held at most: memory stays small for any folder
constexpr int TagWindow = 128;   // the same when each result holds an ID3v2 tag's frames (up to
                                 // some 100 KB each for a hostile tag)
constexpr int Helpers = 64;      // reads in flight beside the caller's: a network share's round trips
                                 // overlap as well as a cold disk's
constexpr int ParallelFrom = 64; // fewer files are read by the caller alone
constexpr int EagerHelpers = 3;  // helpers started at once for the processors there are: on a
                                 // warm cache more add only contention for the folder
constexpr int EagerFrom = 2000;  // fewer files are done sooner without them: a new thread may wait
                                 // milliseconds for an idle processor to wake (seen: 0.3 to 3.7 ms
                                 // on a virtual machine), and pays back from some 1,500 files

// A filled slot is published with release and taken with acquire. The thread-checking build of
// the tests also compiles a copy with relaxed publishing, which must be reported as a race: the
// proof that the checker still sees our reader's ordering.
#ifdef VELMORA_WEAKEN_SLOT_ORDERING
constexpr std::memory_order Publish = std::memory_order_relaxed;
#else
constexpr std::memory_order Publish = std::memory_order_release;
#endif

// One pass over a listing. Files are claimed in batches by the helpers and by the caller; a batch
// may be claimed only while it fits in the window of results not yet taken, so the ring of slots
// is never overwritten before the caller has taken a slot.
class FolderRead {
public:
    // folderFd < 0: the folder could not be opened and every file gets folderError.
    FolderRead(int folderFd, const FileStatus &folderError, const std::vector<ListedFile> &files, Id3v2Read id3v2)
        : m_folderFd(folderFd), m_folderError(folderError), m_files(files), m_count(int(files.size())),
          m_window(std::min(id3v2 == Id3v2Read::Tag ? TagWindow : Window, std::max(m_count, 1))),
          m_slots(std::make_unique<Slot[]>(size_t(m_window))), m_fileSystem(folderFd)
    {
        m_options.folderFileSystem = &m_fileSystem;
        m_options.id3v2 = id3v2;
    }

    void helper()
    {
        Id3v2::FrameMemo memo;  // each thread its own
        const RawReadOptions options = withMemo(memo);
        for (;;) {
            const int start = claim(true);
            if (start < 0)
                return;
            readBatch(start, options);
        }
    }

    // helpers: how many threads read ahead; eager of them from the start, the rest once the
    // caller's own reads are seen to wait for the device.
    void takeAll(const std::function<void(int, const RawTrailer &)> &take, int helpers, int eager)
    {
        startHelpers(std::min(eager, helpers));
        BlockingWatch watch;
        Id3v2::FrameMemo memo;
        const RawReadOptions options = withMemo(memo);
        for (int i = 0; i < m_count; ++i) {
            Slot &slot = m_slots[size_t(i % m_window)];
            while (!slot.ready.load(std::memory_order_acquire)) {
                // Rather than wait, read a batch of our own while one is free.
                const int start = claim(false);
                if (start >= 0) {
                    readBatch(start, options);
                } else {
                    watch.waitForHelper();
                    slot.ready.wait(0, std::memory_order_acquire);
                }
            }
            take(i, slot.trailer);
            slot.ready.store(0, std::memory_order_relaxed);
            if ((i + 1) % Batch == 0 || i + 1 == m_count) {
                m_taken.store(i + 1, std::memory_order_release);
                m_taken.notify_all();
                if (int(m_threads.size()) < helpers && !m_waitsSeen && watch.readsBlock()) {
                    m_waitsSeen = true;
                    startHelpers(helpers - int(m_threads.size()));
                }
            }
        }
        for (std::thread &thread : m_threads)
            thread.join();
    }

private:
    // Whether the caller's own reads wait for the device: the thread gives up the processor of
    // its own accord (a preemption by a busy machine does not count, and nor does a wait for a
    // result a helper is reading).
    class BlockingWatch {
    public:
        void waitForHelper() { ++m_helperWaits; }

        bool readsBlock()
        {
            if (++m_batches < 4)
                return false;
            m_batches = 0;
            const long waits = voluntarySwitches();
            const bool blocked = waits - m_waits - m_helperWaits >= 4;
            m_waits = waits;
            m_helperWaits = 0;
            return blocked;
        }

    private:
        static long voluntarySwitches()
        {
#ifdef RUSAGE_THREAD
            struct rusage usage;
            return ::getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nvcsw : 0;
#else
            return 0;  // no count for one thread: the caller reads alone
#endif
        }
        int m_batches = 0;
        long m_waits = voluntarySwitches();
        long m_helperWaits = 0;  // each may or may not have given up the processor
    };

    void startHelpers(int count)
    {
        m_threads.reserve(size_t(count));
        try {
            for (int i = 0; i < count; ++i)
                m_threads.emplace_back(&FolderRead::helper, this);
        } catch (const std::system_error &) {
            // Out of threads: fewer helpers, or the caller alone, read the rest all the same.
        }
    }

    struct Slot {
        std::atomic<int> ready{0};  // int: waited on with a futex of its own
        RawTrailer trailer;
    };

    // The first index of a newly claimed batch, or -1 when every file is claimed. A helper waits
    // for room in the window; the caller, who makes that room, never does.
    int claim(bool wait)
    {
        int start = m_next.load(std::memory_order_relaxed);
        for (;;) {
            if (start >= m_count)
                return -1;
            const int taken = m_taken.load(std::memory_order_acquire);
            if (std::min(start + Batch, m_count) > taken + m_window) {
                if (!wait)
                    return -1;
                m_taken.wait(taken, std::memory_order_acquire);
                start = m_next.load(std::memory_order_relaxed);
                continue;
            }
            if (m_next.compare_exchange_weak(start, start + Batch, std::memory_order_relaxed))
                return start;
        }
    }

    RawReadOptions withMemo(Id3v2::FrameMemo &memo) const
    {
        RawReadOptions options = m_options;
        options.memo = &memo;
        return options;
    }

    void readBatch(int start, const RawReadOptions &options)
    {
        const int end = std::min(start + Batch, m_count);
        for (int i = start; i < end; ++i) {
            Slot &slot = m_slots[size_t(i % m_window)];
            if (m_folderFd >= 0)
                readRawTrailer(m_folderFd, m_files[size_t(i)].name.constData(), EntryKind::Regular, slot.trailer, options);
            else
                slot.trailer.status = m_folderError;
            slot.ready.store(1, Publish);
            slot.ready.notify_one();
        }
    }

    int m_folderFd;
    FileStatus m_folderError;
    const std::vector<ListedFile> &m_files;
    int m_count;
    int m_window;
    std::unique_ptr<Slot[]> m_slots;
    const FolderFileSystem m_fileSystem;  // asked once, before any helper starts; only read after
    RawReadOptions m_options;
    std::vector<std::thread> m_threads;
    bool m_waitsSeen = false;
    std::atomic<int> m_next{0};
    std::atomic<int> m_taken{0};
};

// The processors this thread may run on beyond its own (a machine's share given to a container
// or to taskset counts, not the machine's whole), at most EagerHelpers.
int spareProcessors()
{
    cpu_set_t allowed;
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return 0;
    return std::clamp(CPU_COUNT(&allowed) - 1, 0, EagerHelpers);
}

// The folder's descriptor, or -1 with why it cannot be opened.
int openFolder(const QByteArray &folder, FileStatus &error)
{
    if (folder.contains('\0')) {
        error = FileStatus::fromErrno(EINVAL);
        return -1;
    }
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        error = FileStatus::fromLastError();
    return fd;
}

}  // namespace

void readFolderTrailers(const QByteArray &folder, const std::vector<ListedFile> &files,
                        const std::function<void(int, const RawTrailer &)> &take, ReadAhead readAhead,
                        Id3v2Read id3v2)
{
    if (files.empty())
        return;
    FileStatus folderError = FileStatus::success();
    const int fd = openFolder(folder, folderError);
    FolderRead read(fd, folderError, files, id3v2);
    const bool few = int(files.size()) < ParallelFrom && readAhead != ReadAhead::Always;
    const int helpers = fd < 0 || few || readAhead == ReadAhead::Never ? 0 : Helpers;
    const int eager = readAhead == ReadAhead::Always ? helpers
                    : readAhead == ReadAhead::WithEveryProcessor && int(files.size()) >= EagerFrom ? spareProcessors()
                                                                                                   : 0;
    read.takeAll(take, helpers, eager);
    if (fd >= 0)
        ::close(fd);
}

std::vector<int> readId3v2Versions(const QByteArray &folder, const QByteArrayList &names)
{
    std::vector<int> versions(size_t(names.size()), 0);
    FileStatus folderError = FileStatus::success();
    const int fd = names.isEmpty() ? -1 : openFolder(folder, folderError);
    if (fd < 0)
        return versions;  // 0 for each, as for a file that cannot be read
    const FolderFileSystem fileSystem(fd);
    for (qsizetype i = 0; i < names.size(); ++i)
        versions[size_t(i)] = readId3v2Version(fd, names[i].constData(), &fileSystem);
    ::close(fd);
    return versions;
}
