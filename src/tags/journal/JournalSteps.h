#pragma once
// The steps of an undo, shared by the undo itself and the start-up check that finishes one cut
// short.

#include "tags/text/FileStatus.h"
#include "tags/journal/JournalRecord.h"

class SaveJournal;

namespace JournalSteps {

// Takes undo (a record with undoes set) on from the state it is in: the bytes, the mode, the name,
// each written down when done. Only what the record proves is acted on (ProvenFile.h); a check or
// step that fails stops it there with the reason, its state kept for the next try.
FileStatus carryForward(SaveJournal &journal, JournalRecord &undo);

}  // namespace JournalSteps
