#pragma once
// velmora-cli rename: each tagged file gets the name the window proposes for it.

#include "cli/Console.h"
#include "cli/FileTargets.h"
#include "cli/Output.h"

#include <QString>

class CodePage;
class SaveJournal;

struct RenameRequest {
    bool longNames = true;  // "Artist-Song.MP3"; false: the 8.3 style "ARTISONG.MP3"
    QString pattern;        // names by the pattern ("%n - %t") in place of a style; checked by the caller
    bool dryRun = false;    // only print what would be done
    bool json = false;      // the dry run as the jobs' JSON preview
    const CodePage *page = nullptr;  // the tags' code page; nullptr: the system's
    SaveJournal *journal = nullptr;  // where the renames are journalled; none: not journalled
    bool keepTimes = false; // each file keeps its modification and access times
};

// Renames each tagged file whose artist and song name are not empty (or, by a pattern, whose
// fields the pattern names are not empty), as the Rename Every File job does (one batch), never replacing another file; prints "old -> new" for each. A file that would
// take a name already in use is reported and left alone. Returns the exit status.
int renameFiles(const std::vector<FileTarget> &targets, const RenameRequest &request, Output &out, Console &console);
