#pragma once
// Taking a journalled change back, and putting right at start-up the changes a crash cut short.

#include "tags/FileStatus.h"
#include "tags/JournalRecord.h"

#include <QString>
#include <QStringList>

#include <vector>

class SaveJournal;
class TagFile;

// "save of NAME" or "undo of save N (NAME)", for messages and lists.
QString describeChange(const JournalRecord &record);

// The last save (not an undo) that can still be undone; null when there is none.
const JournalRecord *lastUndoableSave(const std::vector<JournalRecord> &records);

// Undoes a finished change of journal: the old trailer back (an appended one cut off), the old
// permission bits, then the old name (never replacing a file). The same checks as a save come
// first: inside the folder, the same file, and unchanged since (the trailer the change wrote and
// the length it left); otherwise the undo is refused with the reason and nothing is written. The
// undo is journalled itself. dryRun: only the checks.
FileStatus undoChange(SaveJournal &journal, const JournalRecord &record, bool dryRun);

// Called at start: each change the journal holds without its completion mark was cut short. A
// file found part-way is put back as it was before; one found whole (before or after) is only
// marked; one found in neither state is left as it is. Returns the messages to show, one per
// change that needed more than a mark; each is said once.
QStringList recoverInterruptedSaves(SaveJournal &journal);

namespace JournalCheck {

enum class State { Before, After, PartWay, Neither };

// Where the open file stands against record: as before the change, as after it, part-way through
// it (a trailer partly written or appended), or none of these.
State stateOf(const TagFile &file, const JournalRecord &record);
// Whether path names the file the record was made for.
bool isRecordedFile(const QByteArray &path, const JournalRecord &record);

}  // namespace JournalCheck
