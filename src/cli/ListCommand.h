#pragma once
// velmora-cli list: the tags of a folder's MP3 files, one line (or JSON object) per file.

#include "cli/Console.h"
#include "cli/Output.h"

#include <QByteArray>

class CodePage;

struct ListRequest {
    QByteArray folder;  // raw bytes
    bool json = false;
    const CodePage *page = nullptr;  // the tags' code page; nullptr: the system's
    bool recursive = false;          // every folder under it too, each file by its path below folder
};

// Lists the folder as the window does (same files, same order), reading each file once through
// the tags core; a file that cannot be read is reported and left out. Returns the exit status.
int listFolder(const ListRequest &request, Output &out, Console &console);
