#pragma once
// The code page a folder's tags read best in, from the trailers of its MP3 files.

#include "tags/text/FileStatus.h"

#include <QByteArray>

struct FolderGuess {
    FileStatus status = FileStatus::success();  // of listing the folder
    int files = 0;                              // MP3 files listed
    int tagged = 0;                             // of them, read with a tag
    qsizetype nonAsciiBytes = 0;
    int page = 0;                               // 0: cannot tell
};

// Reads the tags of the folder's MP3 files (as the file list shows them) and suggests a page.
FolderGuess guessFolderCodePage(const QByteArray &folder);
