#pragma once
// Taking a journalled change back, and putting right at start-up the changes a crash cut short.
// Both act only on what the record proves (ProvenFile.h): a record that fails a check is reported
// and left, and nothing else is touched.

#include "tags/text/FileStatus.h"
#include "tags/journal/JournalRecord.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class SaveJournal;
class ProvenFile;
class ProvenFolders;

// "save of NAME" or "undo of change N (NAME)", for messages and lists.
QString describeChange(const JournalRecord &record);

// The last save (not an undo) of records that can still be undone; null when there is none.
const JournalRecord *lastUndoableSave(const std::vector<JournalRecord> &records);

// Undoes a finished change: the old trailer back (an appended one cut off), the old permission
// bits, then the old name (never replacing a file), each step written down in the undo's own
// record as it is done. First the checks: the file where the record says, the same file, as the
// change left it; otherwise the undo is refused with the reason and nothing is written. An undo of
// record cut short earlier is finished instead. dryRun: only the checks. A step that fails
// (fchmod, rename) fails the undo with its reason; the record keeps the steps done, and the next
// start or another undo of the same change finishes it.
FileStatus undoChange(SaveJournal &journal, const JournalRecord &record, bool dryRun);

// The checks of an undo of the finished save record, leaving its file found, open and locked in
// file (the folder taken from folders when given): the record proven, the file where and as the
// save left it, its old name free. A refusal says why.
FileStatus checkUndoOf(const JournalRecord &record, ProvenFile &file, ProvenFolders *folders = nullptr);

// The change that takes record back, from the file as record left it (modeNow: its bits now).
JournalRecord inverseOf(const JournalRecord &record, int modeNow);
