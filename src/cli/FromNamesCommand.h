#pragma once
// velmora-cli from-names: fills the fields a pattern names from each file's name, with the
// pattern guessed from the names when none is given; one batch of the journal per run.

#include "cli/Console.h"
#include "cli/FileTargets.h"
#include "cli/Output.h"

#include <QString>

#include <optional>
#include <vector>

class CodePage;
class SaveJournal;

struct FromNamesRequest {
    std::optional<QString> pattern;  // none: guessed from the names
    bool underscores = false;        // "_" reads as a space
    bool dryRun = false;             // print the preview, write nothing
    bool json = false;               // the preview as JSON
    bool keepTimes = false;
    SaveJournal *journal = nullptr;
};

// The preview (dry run) is one line per file: file, state, reason, then old and new of each field
// the pattern names. Skipped files are said on standard error. Returns the exit status.
int fromNames(const std::vector<FileTarget> &targets, const FromNamesRequest &request, const CodePage &page,
              Output &out, Console &console);
