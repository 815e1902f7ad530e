#pragma once
// A job's Apply: the rows that will change saved as one batch of saveTagFiles (TagCore.h), each
// file as Save Tags saves one, the records all committed before the first file changes and the
// writes flushed together.

#include "tags/jobs/FolderJob.h"

#include <functional>
#include <vector>

class CodePage;
class SaveJournal;

struct JobApply {
    SaveJournal *journal = nullptr;  // none: the saves are not journalled
    bool keepTimes = false;
    // Set: each file's ID3v2.3 or 2.4 tag gets the fields its row changes too, read in this page.
    const CodePage *id3v2Page = nullptr;
    // Called after each row that was to change has been written or tried, with how many are done;
    // false stops the job there (what was written stays written and journalled).
    std::function<bool(int done)> progress;
    // Called once the job has ended, for each row that was to change and was reached, with its
    // outcome (the new path after a rename), in order.
    std::function<void(const JobRow &row, const TagSaveResult &result)> afterFile;
};

struct JobSummary {
    int written = 0, unchanged = 0, skipped = 0, failed = 0;
    bool stopped = false;
    qint64 batch = 0;  // the journal's batch of the job's records; 0: none
};

// The save of a planned row: the file as the preview read it, to be found so under its lock.
TagSave saveOf(const JobRow &row, bool keepTimes, const CodePage *id3v2Page = nullptr);

// The fields a row changes, one bit for each (id3v2Bit, Id3v2Fill.h).
quint32 changedFields(const JobRow &row);

// With the ID3v2 tags written too: each row that will change says so in its reason when its
// ID3v2 tag is written as well ("ID3v2 written too", "... the file written anew"), and a row
// whose tag cannot be written whole is skipped with the reason, as its save would be. Only the
// files that have an ID3v2.3 or 2.4 tag are read again.
void noteId3v2Writes(std::vector<JobRow> &rows, const CodePage &page);

// Saves the rows that will change, in order; the others are never opened for writing.
JobSummary applyJob(const std::vector<JobRow> &rows, const JobApply &apply);
