#pragma once
// A command's saves taken back as one: the batch of the newest save that can be undone, the name
// of the job that made it, and the undo of every save in it.

#include "tags/text/FileStatus.h"
#include "tags/journal/JournalRecord.h"

#include <QString>

#include <functional>
#include <vector>

class SaveJournal;

struct UndoableBatch {
    std::vector<JournalRecord> saves;  // newest first; empty when nothing can be undone
    QString jobName;  // as the job's apply wrote it down; empty for a plain command or a save
};

// The saves of the newest undoable save's batch that can still be undone; problem receives a
// failure to read the journal.
UndoableBatch lastUndoableBatch(SaveJournal &journal, FileStatus *problem = nullptr);

// Writes down, in the batch's first record, the job that made it (shown by lastUndoableBatch).
FileStatus nameBatch(SaveJournal &journal, qint64 batch, const QString &jobName);

struct BatchUndo {
    int refused = 0;  // saves whose checks failed: then none was undone
    int failed = 0;   // undos that failed part-way, after every check had passed
    bool undone() const { return refused == 0 && failed == 0; }
};

// Undoes the saves as one batch of undos, whole or not at all: every file is held (its lock, taken
// in one order by device and inode, so that two batches never wait on each other) and checked
// before the first is given back, and a refusal of any leaves them all as they are. each is told
// of every refused save with its reason, or, when all passed, of every save with its outcome, newest
// first. dryRun: only the checks.
BatchUndo undoSaves(SaveJournal &journal, const std::vector<JournalRecord> &saves, bool dryRun,
                    const std::function<void(const JournalRecord &save, const FileStatus &status)> &each);
