// The folder reader's helper threads: started before the first file, and started part-way through
// a folder whose files another thread removes, renames and truncates meanwhile. Every file must
// still come back once, in order, with its own trailer or a clean error. The test command runs
// this under ThreadSanitizer too.

#include "tags/files/PatternListing.h"
#include "tags/trailer/BulkTrailerReader.h"
#include "tags/trailer/TagCore.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTest>

#include <cerrno>
#include <thread>
#include <time.h>

using namespace TestFiles;

namespace {

constexpr int Count = 3000;
constexpr int ChurnFrom = Count / 3;   // the other thread changes files from here to the end
constexpr int SlowFrom = 600;          // the caller's takes wait from here, so helpers start

enum class Change { None, Removed, Renamed, Truncated };

Change changeOf(int i)
{
    if (i < ChurnFrom)
        return Change::None;
    const Change changes[4] = {Change::Removed, Change::Renamed, Change::Truncated, Change::None};
    return changes[i % 4];
}

QByteArray nameOf(int i) { return QByteArray::number(i).rightJustified(6, '0') + ".mp3"; }

int threadCount() { return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

// The other thread's work, from the last file down, towards the reader coming up.
void churn(const TempFolder &dir)
{
    for (int i = Count - 1; i >= ChurnFrom; --i) {
        const QByteArray path = dir.file(nameOf(i));
        switch (changeOf(i)) {
        case Change::Removed: ::unlink(path.constData()); break;
        case Change::Renamed: ::rename(path.constData(), (path + ".moved").constData()); break;
        case Change::Truncated: (void)::truncate(path.constData(), 100); break;
        case Change::None: break;
        }
    }
}

struct Pass {
    std::vector<TagReading> readings;
    int mostThreads = 0;  // seen while taking results
};

// Reads the folder; from slowFrom on, each take waits a little, as a caller that blocks does.
Pass readFolder(const QByteArray &folder, const std::vector<ListedFile> &files, ReadAhead readAhead, int slowFrom)
{
    Pass pass;
    readFolderTrailers(folder, files, [&](int index, const RawTrailer &raw) {
        QCOMPARE(index, int(pass.readings.size()));  // in order, each once
        pass.readings.push_back(tagReadingOf(raw));
        if (index % 64 == 0)
            pass.mostThreads = std::max(pass.mostThreads, threadCount());
        if (index >= slowFrom) {
            const timespec wait{0, 100'000};
            ::nanosleep(&wait, nullptr);
        }
    }, readAhead);
    return pass;
}

// The reading of file i as it was made, or as it may be after its change.
void checkReading(const TagReading &r, int i)
{
    const QByteArray where = "file " + nameOf(i) + ": " + r.status.description().toUtf8();
    const bool asMade = r.status && r.tagged && r.fields.title == QByteArray::number(i);
    switch (changeOf(i)) {
    case Change::None: QVERIFY2(asMade, where.constData()); break;
    case Change::Removed:
    case Change::Renamed: QVERIFY2(asMade || r.status.code() == ENOENT, where.constData()); break;
    // Cut between its size taken and its trailer read, a file is said to have changed meanwhile.
    case Change::Truncated:
        QVERIFY2(asMade || (r.status && !r.tagged) || r.status.code() == EIO, where.constData());
        break;
    }
}

}  // namespace

class TestFolderThreads : public QObject {
    Q_OBJECT
private slots:
    void init();
    void helpersReadFromTheFirstFile();
    void helpersStartingPartWayMeetFilesChanging();

private:
    std::unique_ptr<TempFolder> m_dir;
    std::vector<ListedFile> m_files;
};

void TestFolderThreads::init()
{
    m_dir = std::make_unique<TempFolder>();
    QVERIFY(m_dir->isValid());
    for (int i = 0; i < Count; ++i)
        QVERIFY(writeFile(m_dir->file(nameOf(i)), song(300, trailer(QByteArray::number(i)))));
    QVERIFY(listFolderFiles(m_dir->path(), QStringLiteral("*.mp3"), m_files).ok());
    QCOMPARE(int(m_files.size()), Count);
}

void TestFolderThreads::helpersReadFromTheFirstFile()
{
    const int alone = threadCount();
    for (int round = 0; round < 4; ++round) {
        const Pass pass = readFolder(m_dir->path(), m_files, ReadAhead::Always, Count);
        QVERIFY(pass.mostThreads > alone);
        QCOMPARE(int(pass.readings.size()), Count);
        for (int i = 0; i < Count; ++i)
            checkReading(pass.readings[size_t(i)], i);
    }
}

void TestFolderThreads::helpersStartingPartWayMeetFilesChanging()
{
    const int alone = threadCount();
    std::thread other(churn, std::cref(*m_dir));
    const Pass pass = readFolder(m_dir->path(), m_files, ReadAhead::WhenReadsWait, SlowFrom);
    other.join();
    QVERIFY2(pass.mostThreads > alone + 1, "no helper started");
    QCOMPARE(int(pass.readings.size()), Count);
    for (int i = 0; i < Count; ++i)
        checkReading(pass.readings[size_t(i)], i);
}

QTEST_GUILESS_MAIN(TestFolderThreads)
#include "tst_folderthreads.moc"
