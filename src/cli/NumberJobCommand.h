#pragma once
// velmora-cli number: ID3v1.1 track numbers in the files' order, from --start, only where missing
// with --only-missing; one batch of the journal per run.

#include "cli/JobCommand.h"
#include "tags/jobs/NumberJob.h"

// --start, --only-missing and --cut-comments into options; false with problem set for bad usage.
bool readNumberOptions(const CommandLine &line, NumberOptions &options, QString &problem);

// The preview (dry run) shows old and new of the comment and the track. Returns the exit status.
int numberTracks(const std::vector<FileTarget> &targets, const NumberOptions &options, JobCommandRequest request,
                 const CodePage &page, Output &out, Console &console);
