#pragma once
// velmora-cli history and undo: the journal of saves from the shell, and the start-up check that
// puts right a save a crash cut short.

#include "cli/Console.h"
#include "cli/Output.h"

#include <QByteArray>

#include <optional>

class SaveJournal;

struct HistoryRequest {
    QByteArray folder;  // raw bytes; empty: every folder
    int limit = 0;      // the newest this many changes; 0: all
    bool json = false;
};

struct UndoRequest {
    std::optional<qint64> id;  // a chosen change; none: the last save
    bool batch = false;        // the whole of the last set or rename
    bool dryRun = false;
};

// Puts right the saves cut short since the last run; what was done goes to standard error.
void recoverAtStart(SaveJournal &journal);

// The journal, newest first, one line (or JSON object) per change. Returns the exit status.
int showHistory(SaveJournal &journal, const HistoryRequest &request, Output &out, Console &console);

// Undoes the chosen changes, newest first, printing "ID<TAB>path -> path" for each one done (or,
// with dryRun, that would be done). Returns the exit status.
int undoChanges(SaveJournal &journal, const UndoRequest &request, Output &out, Console &console);
