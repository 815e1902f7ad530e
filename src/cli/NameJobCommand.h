#pragma once
// velmora-cli from-names: fills the fields a pattern names from each file's name, with the
// pattern guessed from the names when none is given; one batch of the journal per run.

#include "cli/JobCommand.h"

#include <QString>

#include <optional>
#include <vector>

struct FromNamesRequest {
    std::optional<QString> pattern;  // none: guessed from the names
    bool underscores = false;        // "_" reads as a space
    JobCommandRequest job;           // its fields are set here from the pattern
};

// The preview (dry run) shows old and new of each field the pattern names. Returns the exit status.
int fromNames(const std::vector<FileTarget> &targets, const FromNamesRequest &request, const CodePage &page,
              Output &out, Console &console);
