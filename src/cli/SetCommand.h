#pragma once
// velmora-cli set: writes the given fields into files and leaves every other byte of the trailer
// as it was.

#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/FileTargets.h"
#include "tags/Id3v1.h"

#include <optional>

class CodePage;
class SaveJournal;

struct FieldChanges {
    std::optional<QByteArray> title, artist, album, year, comment;  // code-page bytes
    std::optional<quint8> genre;

    bool any() const { return title || artist || album || year || comment || genre; }
    void applyTo(Id3v1::Fields &fields) const;
};

// Reads --title, --artist, --album, --year, --comment and --genre (a name of the genre table in
// any letter case, a number 0 to 255, or empty text for 255). False, with problem set, for a bad
// escape, a character the code page cannot store, a text longer than its field or an unknown genre.
bool parseFieldChanges(const CommandLine &line, const CodePage &page, FieldChanges &changes, QString &problem);

// Saves the changed fields into each file through the same save as the window (an untagged file
// starts from empty fields and genre 255 and gets a trailer appended), journalled in journal
// (none: not journalled). keepTimes: each file keeps its modification and access times.
// Returns the exit status.
int setTags(const std::vector<FileTarget> &targets, const FieldChanges &changes, SaveJournal *journal,
            bool keepTimes, Console &console);
