#pragma once
// What every folder-job command shares: the dry run's preview (TSV, or JSON), the skipped files
// said on standard error, the apply as one batch of the journal with its summary line, and the
// exit status.

#include "cli/Console.h"
#include "cli/FileTargets.h"
#include "cli/Output.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/jobs/FolderJob.h"

#include <functional>
#include <vector>

#include <QString>

class CodePage;
struct CommandLine;
class SaveJournal;

struct JobCommandRequest {
    QByteArray command;            // the command's name, leading its summary line
    std::vector<TagField> fields; // the fields the preview shows old and new of
    bool dryRun = false;          // print the preview, write nothing
    bool json = false;            // the preview as JSON
    bool keepTimes = false;
    bool writeId3v2 = false;  // the ID3v2 tags get the fields too
    SaveJournal *journal = nullptr;  // none: not journalled
    const char *jobTitle = nullptr;  // the job's name, given to its batch as the window gives it
    // How messages name a row's file (import: the list's line too); unset: by its path.
    std::function<QByteArray(const JobRow &row)> shownAs;
};

// The options every job command takes: --codepage, --dry-run, --json (only with --dry-run),
// --keep-times, and at least one file or folder. False with problem set for bad usage. The journal
// is the caller's to set.
bool readJobOptions(const CommandLine &line, JobCommandRequest &request, const CodePage *&page, QString &problem);

// The job's files, in the targets' order.
std::vector<JobFile> jobFilesOf(const std::vector<FileTarget> &targets);

// The dry run's preview alone, to out: file, state, reason, then old and new of each field, TSV
// after a header line or a JSON array. Returns the exit status.
int printJobPreview(const std::vector<JobRow> &rows, const JobCommandRequest &request, const CodePage &page, Output &out,
                    Console &console);

// A job's planner for one album's files (numbers and lines go by the place in the album).
using PlannerFor = std::function<JobPlanner(const std::vector<JobFile> &albumFiles)>;

// Plans every album's files with its planner and either prints the preview (dry run) or applies it, then says
// "<command>: N written, N unchanged, N skipped" on standard error. Files that cannot be read fail
// the run; skipped files are noted. The apply is one batch for every album; Ctrl+C stops it after
// the file in hand (RunStop.h). Returns the exit status.
int runJobCommand(const std::vector<FileTarget> &targets, const PlannerFor &plannerFor, const JobCommandRequest &request,
                  const CodePage &page, Output &out, Console &console);
// The same with one planner for every file.
int runJobCommand(const std::vector<FileTarget> &targets, const JobPlanner &planner, const JobCommandRequest &request,
                  const CodePage &page, Output &out, Console &console);

// "; stopped by Ctrl+C, N files not reached" for a run the user stopped, else empty.
QString stoppedText(bool stopped, qsizetype notReached);
