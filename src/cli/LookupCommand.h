#pragma once
// velmora-cli lookup: an album's release from MusicBrainz written into a folder's files, each file
// matched to a track (by track number, title, length, then order; the match of each file said on
// standard error). Without --release the best-scoring release with as many tracks as the folder
// has files is chosen and named; --list prints the releases found instead. One batch per run.

#include "cli/JobCommand.h"

#include <QUrl>

struct LookupRequest {
    QString artist, album;  // searched for; unset ones come from the folder's tags or its name
    bool artistGiven = false, albumGiven = false;
    QString release;        // the release's id; empty: chosen from the search
    bool list = false;      // print the releases found, write nothing
    bool recursive = false; // each folder of a tree looked up on its own; one not found is left alone
    QUrl server;
    JobCommandRequest job;
};

// The options; false with problem set for bad usage.
bool readLookupRequest(const CommandLine &line, LookupRequest &request, const CodePage *&page, QString &problem);

// Searches, chooses, matches and runs the job (or lists). Returns the exit status.
int lookupAlbum(const std::vector<FileTarget> &targets, const LookupRequest &request, const CodePage &page,
                Output &out, Console &console);
