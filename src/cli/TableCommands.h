#pragma once
// velmora-cli export and import: a folder's tags out as a list (CSV, TSV or JSON) and a list back
// into the files its rows name, as one batch of the journal.

#include "cli/CommandLine.h"

class SaveJournal;

// export FOLDER [-r] [--format csv|tsv|json] [--bom] [--codepage]: the list to standard output.
int runExport(const CommandLine &line);

// import LIST FOLDER [--dry-run] [--json] [--codepage] (LIST "-": standard input). Rows that
// cannot be used are said with their line and left out; the rest is a job like the others.
int runImport(const CommandLine &line, SaveJournal &journal);
