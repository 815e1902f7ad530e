#include "tags/jobs/JobApply.h"

#include "tags/journal/SaveJournal.h"

namespace {

TagSave saveOf(const JobRow &row, const JobApply &apply)
{
    TagSave save;
    save.path = row.file.path;
    save.fields = row.after;
    save.newName = row.newName;
    save.expected = row.reading.identity;
    save.expectedTrailer = row.reading.trailer;  // the preview's old tag is the one overwritten
    save.folder = row.file.folder;
    save.journal = apply.journal;
    save.keepTimes = apply.keepTimes;
    return save;
}

// The records of every save of the job, committed in one transaction before the first write. A
// file that fails its checks here keeps its failure, said when its turn comes.
struct CommittedJob {
    std::vector<JournalRecord> records;
    std::vector<qsizetype> recordOf;  // per save: its record's index, or -1 with failure set
    std::vector<FileStatus> failures;
};

CommittedJob commitJob(const std::vector<TagSave> &saves, SaveJournal &journal)
{
    CommittedJob job;
    job.recordOf.assign(saves.size(), -1);
    job.failures.assign(saves.size(), FileStatus::success());
    for (size_t i = 0; i < saves.size(); ++i) {
        JournalRecord record;
        job.failures[i] = journalRecordOf(saves[i], record);
        if (job.failures[i]) {
            job.recordOf[i] = qsizetype(job.records.size());
            job.records.push_back(std::move(record));
        }
    }
    if (const FileStatus status = journal.beginAll(job.records); !status) {
        for (size_t i = 0; i < saves.size(); ++i) {
            if (job.recordOf[i] >= 0)
                job.failures[i] = status;
            job.recordOf[i] = -1;
        }
        job.records.clear();
    }
    return job;
}

}  // namespace

JobSummary applyJob(const std::vector<JobRow> &rows, const JobApply &apply)
{
    JobSummary summary;
    std::vector<const JobRow *> changing;
    std::vector<TagSave> saves;
    for (const JobRow &row : rows) {
        if (row.state == JobState::Unchanged) {
            ++summary.unchanged;
        } else if (row.state == JobState::Skipped) {
            ++summary.skipped;
        } else {
            changing.push_back(&row);
            saves.push_back(saveOf(row, apply));
        }
    }
    CommittedJob committed;
    if (apply.journal) {
        apply.journal->beginBatch();
        committed = commitJob(saves, *apply.journal);
        if (!committed.records.empty())
            summary.batch = committed.records.front().batch;
    }
    std::vector<bool> used(committed.records.size(), false);
    for (size_t i = 0; i < saves.size() && !summary.stopped; ++i) {
        TagSaveResult result;
        if (apply.journal && committed.recordOf[i] < 0) {
            result.status = committed.failures[i];
            result.path = saves[i].path;
        } else {
            if (apply.journal) {
                saves[i].committed = &committed.records[committed.recordOf[i]];
                used[committed.recordOf[i]] = true;
            }
            result = saveTagFile(saves[i]);
        }
        if (result.written)
            ++summary.written;
        if (!result.status && !result.written)
            ++summary.failed;
        if (apply.afterFile && !apply.afterFile(*changing[i], result))
            summary.stopped = true;
    }
    if (apply.journal) {
        std::vector<qint64> untouched;
        for (size_t r = 0; r < used.size(); ++r) {
            if (!used[r])
                untouched.push_back(committed.records[r].id);
        }
        apply.journal->finishUntouched(untouched);
        apply.journal->endBatch();
    }
    return summary;
}
