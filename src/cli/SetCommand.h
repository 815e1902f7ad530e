#pragma once
// velmora-cli set: Values for Every File from the shell. Writes the given fields into files and
// leaves every other byte of the trailer as it was.

#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/FileTargets.h"
#include "cli/Output.h"
#include "tags/jobs/ValuesJob.h"

class CodePage;
class SaveJournal;

// Reads --title, --artist, --album, --year, --comment and --genre (a name of the genre table in
// any letter case, a number 0 to 255, or empty text for 255). False, with problem set, for a bad
// escape, a character the code page cannot store, a text longer than its field or an unknown genre.
bool parseFieldChanges(const CommandLine &line, const CodePage &page, FieldChanges &changes, QString &problem);

struct SetRequest {
    FieldChanges changes;
    bool fromV2 = false;  // fill the fields from the file's ID3v2 tag first (changes still win)
    bool dryRun = false;  // only print what would change
    SaveJournal *journal = nullptr;  // where the saves are journalled; none: not journalled
    bool keepTimes = false;          // each file keeps its modification and access times
    bool writeId3v2 = false;         // the ID3v2 tags get the fields set too
};

// Saves the changed fields into each file through the same save as the window (an untagged file
// starts from empty fields and genre 255 and gets a trailer appended). An ID3v1.1 track number is
// kept unless the new comment needs its bytes, which is said on standard error. A dry run prints
// "FILE: field "old" -> "new", ..." for each file that would change. Returns the exit status.
int setTags(const std::vector<FileTarget> &targets, const SetRequest &request, const CodePage &page,
            Output &out, Console &console);
