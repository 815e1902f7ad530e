#pragma once
// velmora-cli case and replace: the chosen fields of each file changed as text in the code page
// (letter case and spaces, or a replacement); one batch of the journal per run.

#include "cli/JobCommand.h"
#include "tags/jobs/CaseJob.h"

struct CaseRequest {
    CaseOptions options;
    JobCommandRequest job;
};

// The options of case (one of --title, --sentence, --upper, --lower, and/or --trim) or of replace
// (FROM and TO as typed, --regex, --ignore-case), and --fields; false with problem set for bad
// usage, an invalid regular expression included.
bool readCaseRequest(const CommandLine &line, CaseRequest &request, const CodePage *&page, QString &problem);

// The preview shows old and new of the chosen fields. Returns the exit status.
int changeCase(const std::vector<FileTarget> &targets, const CaseRequest &request, const CodePage &page, Output &out,
               Console &console);
