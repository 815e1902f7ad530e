#pragma once
// velmora-cli from-list: one field of each file from a text of one line per file (a file, or "-"
// for standard input), in the files' order; one batch of the journal per run.

#include "cli/JobCommand.h"
#include "tags/jobs/ListJob.h"

struct FromListRequest {
    QByteArray source;  // the text file's path, or "-"
    ListOptions options;
    QStringList lines;  // read by readListLines
    JobCommandRequest job;
};

// The options and the text's source (the first operand, taken out of operands); false with problem
// set for bad usage.
bool readFromListRequest(CommandLine &line, FromListRequest &request, const CodePage *&page, QString &problem);

// Reads the text (at most 1 MiB, UTF-8) into request.lines; false, said on the console, when it
// cannot be read.
bool readListLines(FromListRequest &request, Console &console);

// Says on standard error when the counts of lines and files differ, then runs the job: only the
// files that have a line are written. Returns the exit status.
int fromList(const std::vector<FileTarget> &targets, const FromListRequest &request, const CodePage &page,
             Output &out, Console &console);
