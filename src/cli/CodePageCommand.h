#pragma once
// The tags' code page on the command line: the --codepage option of list, set and rename, and the
// codepage command, which prints the page suggested for a folder.

#include "cli/CommandLine.h"

class CodePage;

// The page of --codepage, else the one stored in the settings file, else the system's. False,
// with problem set, for a value that names no page.
bool chosenCodePage(const CommandLine &line, const CodePage *&page, QString &problem);

// velmora-cli codepage [FOLDER]: the page suggested for the folder's tags, and the page in use.
int runCodePage(const CommandLine &line);
