#pragma once
// A job's Apply: each row that will change saved as Save Tags saves one file, the whole job one
// batch of the journal whose records are all committed before the first file changes.

#include "tags/jobs/FolderJob.h"

#include <functional>
#include <vector>

class SaveJournal;

struct JobApply {
    SaveJournal *journal = nullptr;  // none: the saves are not journalled
    bool keepTimes = false;
    // Called after each row that was to change; false stops the job there (what was written stays
    // written and journalled).
    std::function<bool(const JobRow &row, const TagSaveResult &result)> afterFile;
};

struct JobSummary {
    int written = 0, unchanged = 0, skipped = 0, failed = 0;
    bool stopped = false;
    qint64 batch = 0;  // the journal's batch of the job's records; 0: none
};

// Saves the rows that will change, in order; the others are never opened for writing.
JobSummary applyJob(const std::vector<JobRow> &rows, const JobApply &apply);
