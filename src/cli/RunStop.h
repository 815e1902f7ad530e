#pragma once
// Ctrl+C during a run that writes: the run stops after the file in hand, so that every file is
// either written and journalled (undoable) or untouched. A second Ctrl+C ends the process at once,
// as before; the journal puts right a save it cuts short.
//
// For the tests, VELMORA_TEST_INTERRUPT_AFTER=N sends the process SIGINT itself once N files are
// written, so that the stop is reached at a known place by a real signal.

namespace RunStop {

// Installs the handler of SIGINT for the rest of the process.
void catchInterrupt();

// Whether Ctrl+C asked the run to stop.
bool requested();

// Counts a file written (the test hook's count); returns whether the run may go on.
bool fileDone();

}  // namespace RunStop
