#include "tags/journal/JournalBatch.h"

#include "tags/journal/JournalUndo.h"
#include "tags/journal/ProvenFile.h"
#include "tags/journal/SaveJournal.h"

#include <algorithm>
#include <tuple>

#include <sys/resource.h>

namespace {

// The note's prefix tells a job's name from a message of the recovery.
const QByteArray jobPrefix = "job: ";

// A batch holds one descriptor for each of its files: the soft limit (often 1,024) goes up to the
// hard one, which the system lets any process do. Returns how many files may be held, leaving room
// for the checks' own opens and the rest of the program.
size_t raiseOpenFileLimit()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    constexpr rlim_t room = 256;
    return limit.rlim_cur > room ? size_t(std::min<rlim_t>(limit.rlim_cur - room, 1 << 20)) : 0;
}

// The locks of the saves' files, taken in one order (device, inode) and held by this thread until
// the vector goes: the checks and undos that follow take them again without waiting. A file that
// cannot be found or held is left to its check, which says why; beyond what the process may keep
// open, files are held each for its own check and undo only.
std::vector<FileLock> holdFiles(const std::vector<JournalRecord> &saves)
{
    const size_t most = raiseOpenFileLimit();
    std::vector<const JournalRecord *> order;
    for (const JournalRecord &r : saves)
        order.push_back(&r);
    std::sort(order.begin(), order.end(), [](const JournalRecord *a, const JournalRecord *b) {
        return std::tie(a->device, a->inode) < std::tie(b->device, b->inode);
    });
    std::vector<FileLock> held;
    held.reserve(order.size());
    for (const JournalRecord *r : order) {
        if (held.size() >= most)
            break;
        ProvenFile file;
        ProvenFile::Where where = ProvenFile::Where::Neither;
        if (file.locate(*r, where) == 0 && where != ProvenFile::Where::Neither
            && file.open(r->currentName(), FileLock::Wait::Yes) == 0)
            held.push_back(file.takeLock());
    }
    return held;
}

}  // namespace

UndoableBatch lastUndoableBatch(SaveJournal &journal, FileStatus *problem)
{
    UndoableBatch batch;
    const std::optional<JournalRecord> last = journal.lastUndoable();
    if (!last)
        return batch;
    // A batch's id is its first record's, so a save that opened its batch is the only undoable
    // save left in it: the usual single save needs no look at the whole journal.
    const bool alone = last->batch == last->id;
    for (const JournalRecord &r : alone ? std::vector<JournalRecord>{*last} : journal.records({}, 0, problem)) {
        if (r.batch != last->batch)
            continue;
        if (r.id == r.batch && r.note.startsWith(jobPrefix))
            batch.jobName = QString::fromUtf8(r.note.mid(jobPrefix.size()));
        if (r.undoes == 0 && r.undoable())
            batch.saves.push_back(r);
    }
    return batch;
}

FileStatus nameBatch(SaveJournal &journal, qint64 batch, const QString &jobName)
{
    return journal.setNote(batch, jobPrefix + jobName.toUtf8());
}

BatchUndo undoSaves(SaveJournal &journal, const std::vector<JournalRecord> &saves, bool dryRun,
                    const std::function<void(const JournalRecord &save, const FileStatus &status)> &each)
{
    BatchUndo outcome;
    const std::vector<FileLock> held = holdFiles(saves);
    std::vector<FileStatus> checks;
    checks.reserve(saves.size());
    for (const JournalRecord &r : saves) {
        checks.push_back(undoChange(journal, r, true));
        outcome.refused += checks.back() ? 0 : 1;
    }
    if (dryRun || outcome.refused) {
        for (size_t i = 0; i < saves.size(); ++i)
            if (each && (dryRun || !checks[i]))
                each(saves[i], checks[i]);
        return outcome;
    }
    journal.beginBatch();
    for (const JournalRecord &r : saves) {
        const FileStatus status = undoChange(journal, r, false);
        outcome.failed += status ? 0 : 1;
        if (each)
            each(r, status);
    }
    journal.endBatch();
    return outcome;
}
