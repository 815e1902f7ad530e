#pragma once
// The look at the journal at start, which puts right what a crash cut short.

#include <QStringList>

class SaveJournal;

// Called at start: each change the journal holds unfinished was cut short (unless another process
// is at work, when the look is left to a later start). A save found part-way is put back as it was
// before; one found whole (before or after) is only written down; an undo is finished. A record
// failing a check, or a file found in neither state, is left as it is. Returns the messages to
// show, each said once, and the journal's own (a previous journal imported or left).
QStringList recoverInterruptedSaves(SaveJournal &journal);
