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

// Undoes each save, newest first, as one batch of undos; each is told with its outcome. dryRun:
// only the checks. Returns how many failed.
int undoSaves(SaveJournal &journal, const std::vector<JournalRecord> &saves, bool dryRun,
              const std::function<void(const JournalRecord &save, const FileStatus &status)> &each);
