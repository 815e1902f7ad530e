#include "tags/journal/JournalBatch.h"

#include "tags/journal/JournalUndo.h"
#include "tags/journal/SaveJournal.h"

namespace {

// The note's prefix tells a job's name from a message of the recovery.
const QByteArray jobPrefix = "job: ";

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

int undoSaves(SaveJournal &journal, const std::vector<JournalRecord> &saves, bool dryRun,
              const std::function<void(const JournalRecord &save, const FileStatus &status)> &each)
{
    int failed = 0;
    journal.beginBatch();
    for (const JournalRecord &r : saves) {
        const FileStatus status = undoChange(journal, r, dryRun);
        if (!status)
            ++failed;
        if (each)
            each(r, status);
    }
    journal.endBatch();
    return failed;
}
